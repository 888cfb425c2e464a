#include "workfile.h"

#include "common/numbers.h"
#include "course/legrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QByteArrayView>
#include <QTemporaryFile>

#include <charconv>
#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

namespace trevanto {

namespace {

const QString WorkFileName = QStringLiteral("trevanto.ini");

// Returns a size or position as the file holds it: a whole value as plain digits,
// a value with a fraction with at most seven significant digits and the locale's
// decimal separator. Never a thousands separator and never an exponent, so the
// reader can always take the text back.
QString numberText(float value, const QLocale &locale)
{
    char buffer[128];
    const double v = value;
    if (!std::isfinite(v)) {
        // No window reports these; written so that the reader skips them.
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }
    if (v == std::trunc(v)) {
        // -0 is written as 0.
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v == 0 ? 0.0 : v,
                                          std::chars_format::fixed, 0);
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }

    // Seven significant digits, "d.dddddde+XX"; an exact tie goes to the even digit.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, 6);
    const char *end = result.ptr;
    const char *cursor = buffer;
    const bool negative = *cursor == '-';
    if (negative)
        ++cursor;
    char digits[7];
    int count = 0;
    for (; cursor != end && *cursor != 'e'; ++cursor) {
        if (*cursor >= '0' && *cursor <= '9' && count < 7)
            digits[count++] = *cursor;
    }
    // The exponent follows the 'e'; from_chars reads a '-' but not a '+'.
    if (cursor != end)
        ++cursor;
    if (cursor != end && *cursor == '+')
        ++cursor;
    int exponent = 0;
    std::from_chars(cursor, end, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    // digits[0] stands at 10^exponent; the decimal separator follows the digit at 10^0.
    QByteArray whole;
    QByteArray fraction;
    if (exponent < 0) {
        whole = "0";
        fraction.fill('0', -exponent - 1);
        fraction.append(digits, count);
    } else {
        const int wholeCount = exponent + 1;
        if (count <= wholeCount) {
            whole = QByteArray(digits, count);
            whole.append(QByteArray(wholeCount - count, '0'));
        } else {
            whole = QByteArray(digits, wholeCount);
            fraction = QByteArray(digits + wholeCount, count - wholeCount);
        }
    }

    QString text;
    if (negative)
        text += u'-';
    text += QLatin1StringView(whole);
    if (!fraction.isEmpty()) {
        text += locale.decimalPoint();
        text += QLatin1StringView(fraction);
    }
    return text;
}

// Appends every ";"-separated piece of `value` but the last to `list`, up to MaxLegs
// items in all. Returns false when pieces had to be left out.
bool appendItems(QStringList &list, QByteArrayView value)
{
    const qsizetype separators = value.count(';');
    if (separators == 0)
        return true;
    list.reserve(std::min<qsizetype>(list.size() + separators, MaxLegs));

    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != ';')
            continue;
        if (list.size() >= MaxLegs)
            return false;
        list.append(QString::fromLatin1(value.sliced(start, i - start)));
        start = i + 1;
    }
    return true;
}

// The value of a line runs from a fixed character to the end; a line that ends
// before it has an empty value.
QByteArrayView valueFrom(QByteArrayView line, qsizetype index)
{
    return index < line.size() ? line.sliced(index) : QByteArrayView();
}

std::optional<std::int32_t> wholeNumber(QByteArrayView value, const QLocale &locale)
{
    return readInt32(QString::fromLatin1(value), locale);
}

// Whether a file can be created in `dir`: tried for real, because
// permission bits do not tell the whole story (ACLs, read-only mounts, virtualised
// program folders).
bool canWriteIn(const QString &dir)
{
    const QFileInfo info(dir);
    if (!info.isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("trevanto-probe-XXXXXX.tmp")));
    return probe.open();
}

} // namespace

QByteArray formatWorkFile(const WorkFileState &state, const QLocale &locale)
{
    QByteArray bytes;
    // The keys, the line ends and the numbers take less than 256 bytes; with room for
    // all, the bytes are never moved, so a large course is held once and no more.
    qsizetype size = 256 + state.scale.size();
    for (const QStringList *items : {&state.distances, &state.bearings}) {
        for (const QString &item : *items)
            size += item.size() + 1;
    }
    bytes.reserve(size);

    // Straight into Latin-1, so that a large course is never held twice over; a
    // character Latin-1 cannot hold is written as '?'.
    const auto add = [&bytes](QStringView text) {
        for (const QChar c : text)
            bytes += c.unicode() < 256 ? char(c.unicode()) : '?';
    };
    const auto addLine = [&](const char *key, const QString &value) {
        bytes += key;
        add(value);
        bytes += "\r\n";
    };
    const auto addItems = [&](const char *key, const QStringList &items) {
        bytes += key;
        for (const QString &item : items) {
            add(item);
            bytes += ';';
        }
        bytes += "\r\n";
    };
    addItems("DIR=", state.distances);
    addItems("MET=", state.bearings);
    addLine("WIDTH=", numberText(state.width, locale));
    addLine("HEIGHT=", numberText(state.height, locale));
    addLine("ESCALA=", state.scale);
    addLine("LEFT=", numberText(state.markerLeft, locale));
    addLine("TOP=", numberText(state.markerTop, locale));
    return bytes;
}

WorkFileContent parseWorkFile(const QByteArray &bytes, const QLocale &locale)
{
    WorkFileContent content;
    // Read from the bytes themselves, each value turned into text on its own, so that
    // a large file is never held twice over.
    const QByteArrayView all(bytes);

    // Keys are compared over their own length only, in this order; the value
    // starts at a fixed index whatever stands between key and value.
    const auto readLine = [&](QByteArrayView line) {
        if (line.startsWith("DIR")) {
            if (!appendItems(content.distances, valueFrom(line, 4)))
                content.truncated = true;
        } else if (line.startsWith("MET")) {
            if (!appendItems(content.bearings, valueFrom(line, 4)))
                content.truncated = true;
        } else if (line.startsWith("HEIGHT")) {
            if (const auto value = wholeNumber(valueFrom(line, 7), locale))
                content.height = value;
        } else if (line.startsWith("WIDTH")) {
            if (const auto value = wholeNumber(valueFrom(line, 6), locale))
                content.width = value;
        } else if (line.startsWith("ESCALA")) {
            content.scale = QString::fromLatin1(valueFrom(line, 7));
        } else if (line.startsWith("LEFT")) {
            if (const auto value = wholeNumber(valueFrom(line, 5), locale))
                content.markerLeft = value;
        } else if (line.startsWith("TOP")) {
            if (const auto value = wholeNumber(valueFrom(line, 4), locale))
                content.markerTop = value;
        }
    };

    // CR LF, a lone LF and a lone CR each end a line; text after the last line end
    // is a line of its own.
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype size = all.size();
    while (i < size) {
        const char c = all[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        readLine(all.sliced(start, i - start));
        if (c == '\r' && i + 1 < size && all[i + 1] == '\n')
            ++i;
        start = ++i;
    }
    if (start < size)
        readLine(all.sliced(start));
    return content;
}

WorkFileLocation chooseWorkFileLocation(const QString &programDir, const QString &userDataDir)
{
    const QString programFile = QDir(programDir).filePath(WorkFileName);
    const QString userFile = userDataDir.isEmpty() ? QString() : QDir(userDataDir).filePath(WorkFileName);
    const bool atProgram = userFile.isEmpty() || canWriteIn(programDir);

    WorkFileLocation location;
    location.writePath = atProgram ? programFile : userFile;
    if (atProgram && userFile != programFile)
        location.fallbackPath = userFile;
    // The last close left the work in the newer of the two.
    const QFileInfo program(programFile);
    const QFileInfo user(userFile);
    if (program.isFile() && user.isFile())
        location.readPath = user.lastModified() > program.lastModified() ? userFile : programFile;
    else if (program.isFile() || user.isFile())
        location.readPath = program.isFile() ? programFile : userFile;
    else
        location.readPath = location.writePath;
    return location;
}

WorkFileLoad loadWorkFile(const QString &path, const QLocale &locale)
{
    WorkFileLoad load;
    const QFileInfo info(path);
    if (!info.exists())
        return load;

    const QString shownPath = QDir::toNativeSeparators(path);
    const QString keptAs = QStringLiteral("Antes de ser substituído, ele será guardado como %1.")
                                   .arg(shownPath + QStringLiteral(".bak"));
    const auto refuse = [&](const QString &reason) {
        load.status = LoadStatus::Refused;
        load.keepBackup = true;
        load.message = QStringLiteral("O arquivo de trabalho %1 não foi lido: %2 %3").arg(shownPath, reason, keptAs);
        return load;
    };

    // A folder, a device or a pipe is not a work file, and reading one could block
    // or never end: it is not even opened, nor ever replaced.
    if (!info.isFile()) {
        load.status = LoadStatus::NotAFile;
        load.message = QStringLiteral("O arquivo de trabalho %1 não foi lido: não é um arquivo comum.").arg(shownPath);
        return load;
    }
    if (info.size() > MaxWorkFileSize)
        return refuse(QStringLiteral("tem %1 bytes, mais que o limite de %2 bytes.")
                          .arg(info.size())
                          .arg(MaxWorkFileSize));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    // One byte past the limit tells a file that grew since it was measured.
    const QByteArray bytes = file.read(MaxWorkFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(file.errorString());
    if (bytes.size() > MaxWorkFileSize)
        return refuse(QStringLiteral("tem mais que o limite de %1 bytes.").arg(MaxWorkFileSize));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        return refuse(QStringLiteral("contém um byte nulo (posição %1), não é um arquivo de texto.").arg(nul));

    load.status = LoadStatus::Loaded;
    load.content = parseWorkFile(bytes, locale);
    if (load.content.truncated) {
        load.keepBackup = true;
        load.message = QStringLiteral("O arquivo de trabalho tem mais de %1 trechos; só os primeiros %1 foram "
                                      "carregados. Antes de ser substituído, o arquivo completo será guardado como %2.")
                               .arg(MaxLegs)
                               .arg(shownPath + QStringLiteral(".bak"));
    }
    return load;
}

SaveOutcome saveWorkFile(const QString &path, const QByteArray &bytes, bool keepBackup)
{
    const auto fail = [](const QString &reason) { return SaveOutcome{false, reason}; };

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("a pasta %1 não pôde ser criada: %2")
                        .arg(QDir::toNativeSeparators(folder), qt_error_string(errno)));

    // A folder, a pipe or a device in the file's place is left alone: copying a pipe
    // would block for ever, and the save's rename would replace it.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile())
        return fail(QStringLiteral("não é um arquivo comum"));

    if (keepBackup && existing.exists()) {
        const QString backup = path + QStringLiteral(".bak");
        // QFile::copy never replaces a file, so an earlier backup goes first.
        if (QFileInfo::exists(backup) && !QFile::remove(backup))
            return fail(QStringLiteral("a cópia anterior %1 não pôde ser substituída")
                            .arg(QDir::toNativeSeparators(backup)));
        QFile original(path);
        if (!original.copy(backup))
            return fail(QStringLiteral("a cópia de segurança %1 não pôde ser feita: %2")
                            .arg(QDir::toNativeSeparators(backup), original.errorString()));
    }

    // Binary mode: the bytes already hold their CR LF line ends. Unbuffered, so that
    // every failure shows at the write that meets it, with the system's reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    const auto cancel = [&file, &fail](const QString &reason) {
        file.cancelWriting();
        return fail(reason);
    };
    // A disk that fills up takes part of the bytes without a word; the next write then
    // fails and says why.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return cancel(file.errorString());
        done += written;
    }
    // The bytes reach the disk before the new file takes the old one's name, so a power
    // cut leaves the one or the other whole, and a disk that refuses them at the last
    // moment says so here.
    if (::fsync(file.handle()) != 0)
        return cancel(qt_error_string(errno));
    if (!file.commit())
        return fail(file.errorString());
    // The new name, too, is on the disk; without it a power cut could bring back the old
    // file, which is whole as well.
    if (const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

SaveReport saveWork(const WorkFileLocation &location, const QByteArray &bytes, bool &backupPending)
{
    const auto saveAt = [&](const QString &path) {
        const bool backup = backupPending && path == location.readPath;
        const SaveOutcome outcome = saveWorkFile(path, bytes, backup);
        if (outcome.ok && backup)
            backupPending = false;
        return outcome;
    };
    const SaveOutcome atHome = saveAt(location.writePath);
    if (atHome.ok)
        return {true, QString()};
    const QString home = QDir::toNativeSeparators(location.writePath);
    if (location.fallbackPath.isEmpty())
        return {false, QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2).")
                           .arg(home, atHome.error)};

    const QString fallback = QDir::toNativeSeparators(location.fallbackPath);
    const SaveOutcome there = saveAt(location.fallbackPath);
    if (there.ok)
        return {true, QStringLiteral("O trabalho foi gravado em %1, porque não foi possível gravá-lo em %2: %3.")
                          .arg(fallback, home, atHome.error)};
    return {false, QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2) nem em %3 (%4).")
                       .arg(home, atHome.error, fallback, there.error)};
}

} // namespace trevanto
