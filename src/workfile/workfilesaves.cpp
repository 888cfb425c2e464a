#include "workfile.h"

#include "workfile/durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <functional>

namespace trevanto {

namespace {

// Writes a file through a QSaveFile, whose bytes reach the disk before they take the
// name: a failure or a power cut leaves what the name held before. `fill` writes the
// bytes and returns an empty string, or why it could not.
SaveOutcome writeDurably(const QString &path, const std::function<QString(QSaveFile &)> &fill)
{
    // Binary mode: the bytes already hold their CR LF line ends. Unbuffered, so that
    // every failure shows at the write that meets it, with the system's reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, file.errorString()};
    QString problem = fill(file);
    if (problem.isEmpty())
        problem = flushToDisk(file);
    if (!problem.isEmpty()) {
        file.cancelWriting();
        return {false, problem};
    }
    if (!file.commit())
        return {false, file.errorString()};
    // The new name, too, is on the disk; without it a power cut could bring back the
    // old file, which is whole as well.
    flushFolder(QFileInfo(path).absolutePath());
    return {};
}

// Copies a file, a piece at a time, in place of what `to` held (an earlier copy is
// replaced only once the new one is whole and on the disk). Returns an empty string,
// or why it could not.
QString copyDurably(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    return writeDurably(to, [&source](QSaveFile &file) {
        QByteArray piece(64 * 1024, Qt::Uninitialized);
        for (;;) {
            const qint64 got = source.read(piece.data(), piece.size());
            if (got < 0)
                return source.errorString();
            if (got == 0)
                return QString();
            if (file.write(piece.constData(), got) != got)
                return file.errorString();
        }
    }).error;
}

} // namespace

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
        if (const QString problem = copyDurably(path, backup); !problem.isEmpty())
            return fail(QStringLiteral("a cópia de segurança %1 não pôde ser feita: %2")
                            .arg(QDir::toNativeSeparators(backup), problem));
    }
    return writeDurably(path, [&bytes](QSaveFile &file) {
        // A disk that fills up takes part of the bytes without a word; the next write
        // then fails and says why.
        for (qsizetype done = 0; done < bytes.size();) {
            const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
            if (written <= 0)
                return file.errorString();
            done += written;
        }
        return QString();
    });
}

bool retireWorkFile(const QString &path, bool writtenByThisRun)
{
    if (!QFileInfo(path).isFile())
        return !QFileInfo::exists(path);
    // What this run wrote there is older than what it has just saved at home.
    if (!writtenByThisRun && !copyDurably(path, path + QStringLiteral(".bak")).isEmpty())
        return false;
    if (!QFile::remove(path))
        return false;
    flushFolder(QFileInfo(path).absolutePath());
    return true;
}

WorkFileSaves::WorkFileSaves(const WorkFileLocation &location, bool readWhole)
{
    m_home.path = location.writePath;
    m_fallback.path = location.fallbackPath;
    for (Place *place : {&m_home, &m_fallback})
        place->kept = readWhole && place->path == location.readPath;
}

SaveOutcome WorkFileSaves::saveAt(Place &place, const QByteArray &bytes)
{
    const SaveOutcome outcome = saveWorkFile(place.path, bytes, !place.kept);
    if (outcome.ok)
        place.kept = place.written = true;
    return outcome;
}

SaveReport WorkFileSaves::save(const QByteArray &bytes)
{
    const SaveOutcome atHome = saveAt(m_home, bytes);
    if (atHome.ok) {
        // The start reads the newer of the two files: one left in the second place, maybe
        // with a time from the future, would win over the work just saved.
        if (!m_fallback.path.isEmpty() && retireWorkFile(m_fallback.path, m_fallback.written))
            m_fallback.kept = m_fallback.written = false;
        return {true, QString()};
    }
    const QString home = QDir::toNativeSeparators(m_home.path);
    if (m_fallback.path.isEmpty())
        return {false, QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2).")
                           .arg(home, atHome.error)};

    const QString fallback = QDir::toNativeSeparators(m_fallback.path);
    const SaveOutcome there = saveAt(m_fallback, bytes);
    if (there.ok)
        return {true, QStringLiteral("O trabalho foi gravado em %1, porque não foi possível gravá-lo em %2: %3.")
                          .arg(fallback, home, atHome.error)};
    return {false, QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2) nem em %3 (%4).")
                       .arg(home, atHome.error, fallback, there.error)};
}

} // namespace trevanto
