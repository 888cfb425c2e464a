#include "workfile.h"

#include "common/numbers.h"
#include "course/legrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QByteArrayView>
#include <QTemporaryFile>

#include <algorithm>
#include <charconv>
#include <cmath>

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

// The value of a line runs from a fixed character to the end; a line that ends
// before it has an empty value.
QByteArrayView valueFrom(QByteArrayView line, qsizetype index)
{
    return index < line.size() ? line.sliced(index) : QByteArrayView();
}

// A regular file that is not loaded: said at start, and kept before a save replaces it.
WorkFileLoad refusedLoad(const QString &path, const QString &reason)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    WorkFileLoad load;
    load.status = LoadStatus::Refused;
    load.keepBackup = true;
    load.message = QStringLiteral("O arquivo de trabalho %1 não foi lido: %2 Antes de ser substituído, ele será guardado como %3.")
                           .arg(shownPath, reason, shownPath + QStringLiteral(".bak"));
    return load;
}

} // namespace

bool canWriteIn(const QString &dir)
{
    // Tried for real: permission bits do not tell the whole story (ACLs, read-only
    // mounts, virtualised program folders).
    const QFileInfo info(dir);
    if (!info.isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("trevanto-probe-XXXXXX.tmp")));
    return probe.open();
}

QByteArray formatWorkFile(const WorkFileState &state, const QLocale &locale)
{
    const QString lines[] = {
        QStringLiteral("WIDTH=") + numberText(state.width, locale),
        QStringLiteral("HEIGHT=") + numberText(state.height, locale),
        QStringLiteral("ESCALA=") + state.scale,
        QStringLiteral("LEFT=") + numberText(state.markerLeft, locale),
        QStringLiteral("TOP=") + numberText(state.markerTop, locale),
    };
    const auto fitsLatin1 = [](QStringView text) {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
    };
    bool latin1 = std::all_of(std::begin(lines), std::end(lines), fitsLatin1);
    // The keys, the line ends and the numbers take less than 256 bytes; with room for
    // all, the bytes are never moved, so a large course is held once and no more.
    qsizetype size = 256 + state.scale.size();
    for (const QStringList *items : {&state.distances, &state.bearings}) {
        for (const QString &item : *items) {
            size += item.size() + 1;
            latin1 = latin1 && fitsLatin1(item);
        }
    }
    // UTF-8 takes at most three bytes for each UTF-16 unit.
    QByteArray bytes;
    bytes.reserve(latin1 ? size : 3 + 3 * size);
    if (!latin1)
        bytes += "\xEF\xBB\xBF";

    // Straight into the bytes, so that a large course is never held twice over.
    const auto unwritable = [](QChar c) { return c == u'\0' || c == u'\r' || c == u'\n'; };
    const auto add = [&bytes, latin1, &unwritable](QStringView text) {
        if (latin1) {
            for (const QChar c : text)
                bytes += unwritable(c) ? ' ' : char(c.unicode());
        } else if (std::none_of(text.begin(), text.end(), unwritable)) {
            bytes += text.toUtf8();
        } else {
            QString spaced = text.toString();
            std::replace_if(spaced.begin(), spaced.end(), unwritable, u' ');
            bytes += spaced.toUtf8();
        }
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
    for (const QString &line : lines) {
        add(line);
        bytes += "\r\n";
    }
    return bytes;
}

WorkFileContent parseWorkFile(const QByteArray &bytes, const QLocale &locale)
{
    WorkFileContent content;
    // Read from the bytes themselves, each value turned into text on its own, so that
    // a large file is never held twice over.
    QByteArrayView all(bytes);
    // An editor that saves UTF-8 may put a byte-order mark first; so does the writer
    // when a text needs more than Latin-1. Bytes that are no UTF-8 after all are taken
    // as Latin-1, as without the mark.
    const QByteArrayView mark("\xEF\xBB\xBF");
    const bool utf8 = all.startsWith(mark) && all.sliced(mark.size()).isValidUtf8();
    if (all.startsWith(mark))
        all = all.sliced(mark.size());
    // A mark at the start of a value is a character of its text: QString::fromUtf8()
    // would drop it, and the value would not come back as it was written.
    QStringDecoder fromUtf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const auto text = [utf8, &fromUtf8](QByteArrayView value) {
        return utf8 ? QString(fromUtf8(value)) : QString::fromLatin1(value);
    };
    const auto whole = [&](QByteArrayView value, std::optional<std::int32_t> &into) {
        const auto number = readNumberAnyDecimal(text(value), locale);
        if (const auto rounded = number ? toInt32(*number) : std::nullopt)
            into = rounded;
        else if (!value.isEmpty())
            content.partial = true;
    };
    const auto items = [&](QStringList &list, QByteArrayView value) {
        const qsizetype separators = value.count(';');
        // Every piece but the last, up to MaxLegs items in all.
        if (!value.endsWith(';') && !value.isEmpty())
            content.partial = true;
        if (separators == 0)
            return;
        list.reserve(std::min<qsizetype>(list.size() + separators, MaxLegs));
        qsizetype start = 0;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] != ';')
                continue;
            if (list.size() >= MaxLegs) {
                content.truncated = true;
                return;
            }
            list.append(text(value.sliced(start, i - start)));
            start = i + 1;
        }
    };

    // Keys are compared over their own length only, in this order; the value starts at
    // a fixed index whatever stands between key and value, which is not looked at.
    const auto readLine = [&](QByteArrayView line) {
        struct Key
        {
            const char *name;
            qsizetype length;
        };
        static constexpr Key keys[] = {{"DIR", 3}, {"MET", 3}, {"HEIGHT", 6}, {"WIDTH", 5},
                                       {"ESCALA", 6}, {"LEFT", 4}, {"TOP", 3}};
        const Key *key = std::find_if(std::begin(keys), std::end(keys),
                                      [&](const Key &k) { return line.startsWith(k.name); });
        if (key == std::end(keys)) {
            const bool blank = std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
            content.partial = content.partial || !blank;
            return;
        }
        if (line.size() > key->length && line[key->length] != '=')
            content.partial = true;
        const QByteArrayView value = valueFrom(line, key->length + 1);
        switch (key - keys) {
        case 0: return items(content.distances, value);
        case 1: return items(content.bearings, value);
        case 2: return whole(value, content.height);
        case 3: return whole(value, content.width);
        case 4:
            content.scale = text(value);
            if (content.scale->size() > MaxScaleLength) {
                content.scale->truncate(MaxScaleLength);
                content.partial = true;
            }
            return;
        case 5: return whole(value, content.markerLeft);
        default: return whole(value, content.markerTop);
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

WorkFileLocation chooseWorkFileLocation(const QString &programDir, const QString &userDataDir, bool installed)
{
    const QString programFile = QDir(programDir).filePath(WorkFileName);
    const QString userFile = userDataDir.isEmpty() ? QString() : QDir(userDataDir).filePath(WorkFileName);
    const bool atProgram = userFile.isEmpty() || (!installed && canWriteIn(programDir));

    // Two names of one folder or of one file (a link, another letter case, a short
    // name) are one place: saving in one and retiring the other would remove the work.
    // Another user's link makes no place one: it is never followed.
    const bool onePlace = !userFile.isEmpty()
            && (isSameFile(programDir, userDataDir) || isSameFile(followOwnLinks(programFile), followOwnLinks(userFile)));
    WorkFileLocation location;
    location.writePath = atProgram ? programFile : userFile;
    if (atProgram && !userFile.isEmpty() && !onePlace)
        location.fallbackPath = userFile;
    // The last close left the work in the newer of the two.
    const QFileInfo program(programFile);
    const QFileInfo user(userFile);
    if (onePlace)
        location.readPath = location.writePath;
    else if (installed && !userFile.isEmpty())
        location.readPath = user.isFile() || !program.isFile() ? userFile : programFile;
    else if (program.isFile() && user.isFile())
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
    const auto refuse = [&](const QString &reason) { return refusedLoad(path, reason); };

    // A link another user made in a shared folder leads wherever that user chose, such
    // as a private file of this user's, which the program would show, copy and replace.
    if (followOwnLinks(path).isEmpty()) {
        load.status = LoadStatus::NotAFile;
        load.message = QStringLiteral("O arquivo de trabalho %1 não foi lido: %2.").arg(shownPath, unfollowedLinkReason());
        return load;
    }
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

    // The system's reason, as a sentence of the message.
    QFile file(path);
    const auto refuseFor = [&] {
        const QString reason = file.errorString();
        return refuse(reason.endsWith(u'.') ? reason : reason + u'.');
    };
    if (!file.open(QIODevice::ReadOnly))
        return refuseFor();
    // One byte past the limit tells a file that grew since it was measured.
    const QByteArray bytes = file.read(MaxWorkFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return refuseFor();
    return readWorkFile(bytes, locale, path);
}

WorkFileLoad readWorkFile(const QByteArray &bytes, const QLocale &locale, const QString &path)
{
    if (bytes.size() > MaxWorkFileSize)
        return refusedLoad(path, QStringLiteral("tem mais que o limite de %1 bytes.").arg(MaxWorkFileSize));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        return refusedLoad(path, QStringLiteral("contém um byte nulo (posição %1), não é um arquivo de texto.").arg(nul));

    WorkFileLoad load;
    load.status = LoadStatus::Loaded;
    load.content = parseWorkFile(bytes, locale);
    WorkFileContent &content = load.content;
    // What the reader passed over would be lost by the first save: the file is kept.
    load.keepBackup = content.partial;
    const QString keptWhole = QStringLiteral("Antes de ser substituído, o arquivo completo será guardado como %1.")
                                      .arg(QDir::toNativeSeparators(path) + QStringLiteral(".bak"));
    QStringList said;
    if (content.truncated) {
        load.keepBackup = true;
        said << QStringLiteral("O arquivo de trabalho tem mais de %1 trechos; só os primeiros %1 foram carregados.")
                        .arg(MaxLegs);
    }
    // A leg is a distance and a bearing: each later one would be paired with the wrong
    // partner. Only the pairs are loaded, and the file is kept whole.
    const qsizetype distances = content.distances.size();
    const qsizetype bearings = content.bearings.size();
    if (distances != bearings) {
        load.keepBackup = true;
        const qsizetype pairs = std::min(distances, bearings);
        said << QStringLiteral("O arquivo de trabalho tem %1 e %2, e cada trecho precisa de uma de cada; %3.")
                        .arg(distances == 1 ? QStringLiteral("1 metragem") : QStringLiteral("%1 metragens").arg(distances),
                             bearings == 1 ? QStringLiteral("1 direção") : QStringLiteral("%1 direções").arg(bearings),
                             pairs == 0 ? QStringLiteral("nenhum trecho foi carregado")
                             : pairs == 1 ? QStringLiteral("só o primeiro trecho foi carregado")
                                          : QStringLiteral("só os primeiros %1 trechos foram carregados").arg(pairs));
        content.distances.resize(pairs);
        content.bearings.resize(pairs);
    }
    if (!said.isEmpty())
        load.message = said.join(u' ') + u' ' + keptWhole;
    return load;
}

} // namespace trevanto
