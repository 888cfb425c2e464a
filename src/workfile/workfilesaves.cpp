#include "workfile.h"

#include "workfile/durablefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <functional>

namespace trevanto {

namespace {

// Opens a new file beside `path`, under a name no other file has (never through a link
// planted there), readable and writable by its owner only until it is whole. Unbuffered,
// so that every failure shows at the write that meets it, with the system's reason. A
// plain file, not a QTemporaryFile: that one keeps its handle open after close(), and
// Windows renames no file that is open.
bool openBeside(QFile &file, const QString &path)
{
    for (int attempt = 0;; ++attempt) {
        file.setFileName(path + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return true;
        // Only a name already taken is worth another try.
        const bool taken = QFileInfo(file.fileName()).isSymLink() || QFileInfo::exists(file.fileName());
        if (!taken || attempt == 15)
            return false;
    }
}

// Writes a file through a new file beside it, whose bytes reach the disk before it takes
// the name: a failure or a power cut leaves what the name held before, and whatever had
// the name (a link too) is replaced, never written through. The new file gets
// `permissions`. `fill` writes the bytes and returns an empty string, or why it could
// not; so does `beforeRename`, called once the new file is whole on the disk, just
// before it takes the name.
SaveOutcome writeDurably(const QString &path, QFileDevice::Permissions permissions,
                         const std::function<QString(QFile &)> &fill,
                         const std::function<QString()> &beforeRename = {})
{
    // Beside its name, so that the rename stays on one disk; removed unless it takes it.
    QFile file;
    if (!openBeside(file, path))
        return {false, file.errorString()};
    QString problem = fill(file);
    if (problem.isEmpty())
        problem = flushToDisk(file);
    if (problem.isEmpty() && !file.setPermissions(permissions))
        problem = file.errorString();
    file.close();
    if (problem.isEmpty() && beforeRename)
        problem = beforeRename();
    if (problem.isEmpty())
        problem = replaceByRename(file.fileName(), path);
    if (!problem.isEmpty()) {
        file.remove();
        return {false, problem};
    }
    // The new name, too, is on the disk; without it a power cut could bring back the
    // old file, which is whole as well.
    flushFolder(QFileInfo(path).absolutePath());
    return {};
}

// Copies a file, a piece at a time, in place of what `to` held (an earlier copy, or a
// link, is replaced only once the new one is whole and on the disk), with the copied
// file's permissions, never wider. Returns an empty string, or why it could not.
QString copyDurably(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    return writeDurably(to, source.permissions(), [&source](QFile &file) {
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

// Whether the two files hold the same bytes; read a piece at a time, as either may be
// any size.
bool sameBytes(const QString &one, const QString &other)
{
    QFile first(one), second(other);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    for (;;) {
        const QByteArray piece = first.read(64 * 1024);
        if (piece != second.read(64 * 1024))
            return false;
        if (piece.isEmpty())
            return first.atEnd() && second.atEnd();
    }
}

// Keeps the file `from` as `backup`. An earlier backup that holds another course is not
// given up for it: it takes a name of its own first, "<name>.<when it was made>.bak".
QString keepAside(const QString &from, const QString &backup)
{
    const QFileInfo earlier(backup);
    if (earlier.isFile() && !earlier.isSymLink()) {
        if (sameBytes(from, backup))
            return QString();
        const QString stem = backup.chopped(4) + u'.' + earlier.lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString dated = stem + QStringLiteral(".bak");
        for (int another = 2; QFileInfo(dated).isSymLink() || QFileInfo::exists(dated); ++another)
            dated = stem + QStringLiteral("-%1.bak").arg(another);
        if (QFile earlierFile(backup); !earlierFile.rename(dated))
            return QStringLiteral("%1 não pôde ser renomeado: %2").arg(QDir::toNativeSeparators(backup), earlierFile.errorString());
    }
    return copyDurably(from, backup);
}

// Whether the regular file at `path`, reached through the user's own links only, holds
// exactly `bytes`.
bool holdsExactly(const QString &path, const QByteArray &bytes)
{
    const QString target = followOwnLinks(path);
    QFile file(target);
    return !target.isEmpty() && QFileInfo(target).isFile() && QFileInfo(target).size() == bytes.size()
            && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

SaveOutcome saveWorkFile(const QString &path, const QByteArray &bytes, bool keepBackup)
{
    return saveWorkFile(path, bytes, [keepBackup] { return keepBackup; });
}

SaveOutcome saveWorkFile(const QString &path, const QByteArray &bytes, const std::function<bool()> &keepBackup)
{
    const auto fail = [](const QString &reason) { return SaveOutcome{false, reason}; };

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("a pasta %1 não pôde ser criada: %2")
                        .arg(QDir::toNativeSeparators(folder), qt_error_string(errno)));

    // Through the user's own links only: another user's link in a shared folder would
    // lead the copy and the save to a file of that user's choosing.
    const QString target = followOwnLinks(path);
    if (target.isEmpty())
        return fail(unfollowedLinkReason());
    // A folder, a pipe or a device in the file's place is left alone: copying a pipe
    // would block for ever, and the save's rename would replace it.
    const QFileInfo existing(target);
    if (existing.exists() && !existing.isFile())
        return fail(QStringLiteral("não é um arquivo comum"));

    const QFileDevice::Permissions permissions = existing.exists() ? existing.permissions() : newFilePermissions();
    const auto fill = [&bytes](QFile &file) {
        // A disk that fills up takes part of the bytes without a word; the next write
        // then fails and says why.
        for (qsizetype done = 0; done < bytes.size();) {
            const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
            if (written <= 0)
                return file.errorString();
            done += written;
        }
        return QString();
    };
    // The file is looked at, and kept, as late as can be: once the new one is on the
    // disk, which on a slow stick takes long enough for an editor's save to land.
    const auto keep = [&] {
        const QString backup = path + QStringLiteral(".bak");
        const QString problem = QFileInfo::exists(target) && keepBackup() ? keepAside(target, backup) : QString();
        return problem.isEmpty() ? problem
                                 : QStringLiteral("a cópia de segurança %1 não pôde ser feita: %2")
                                           .arg(QDir::toNativeSeparators(backup), problem);
    };
    return writeDurably(target, permissions, fill, keep);
}

bool retireWorkFile(const QString &path, const std::optional<FileIdentity> &writtenByThisRun)
{
    const QString target = followOwnLinks(path);
    if (target.isEmpty() || !QFileInfo(target).isFile())
        return !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();
    // What this run wrote there, and no one has changed since, is older than what it has
    // just saved at home; anything else is kept.
    if (identityOf(target) != writtenByThisRun && !keepAside(target, path + QStringLiteral(".bak")).isEmpty())
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
    for (Place *place : {&m_home, &m_fallback}) {
        if (place->path.isEmpty())
            continue;
        // Through the user's own links: a link to no file yet leaves the place vacant.
        const QString target = followOwnLinks(place->path);
        place->vacant = !target.isEmpty() && !QFileInfo::exists(target) && !QFileInfo(target).isSymLink();
        place->unopened = place->path != location.readPath && QFileInfo(place->path).isFile();
        if (readWhole && place->path == location.readPath) {
            // Only a regular file is read again: a pipe would block.
            QFile file(target);
            place->kept = identityOf(place->path);
            if (place->kept && !target.isEmpty() && QFileInfo(target).isFile() && file.open(QIODevice::ReadOnly))
                place->bytes = file.readAll();
        }
    }
}

WorkFileSaves::Look WorkFileSaves::lookAt(const Place &place, const QByteArray &bytes)
{
    Look look;
    if (!identityOf(place.path))
        return look;
    // Still the file read or last written while it holds the same bytes, whatever touched
    // it meanwhile (an editor saving it unchanged, a sync tool writing it again, a disk
    // numbering its files afresh). One that holds the work being saved hides nothing.
    look.unchanged = place.kept && holdsExactly(place.path, place.bytes);
    if (look.unchanged || holdsExactly(place.path, bytes))
        return look;
    const QString file = QDir::toNativeSeparators(place.path), backup = QDir::toNativeSeparators(place.path + QStringLiteral(".bak"));
    if (place.kept)
        look.told = QStringLiteral("O arquivo de trabalho %1 foi alterado fora do Trevanto enquanto ele estava aberto; "
                                   "o que ele continha foi guardado como %2.")
                            .arg(file, backup);
    else if (place.vacant)
        look.told = QStringLiteral("Um arquivo de trabalho foi posto em %1 fora do Trevanto enquanto ele estava aberto; "
                                   "o que ele continha foi guardado como %2.")
                            .arg(file, backup);
    else if (place.unopened)
        look.told = QStringLiteral("Havia em %1 outro arquivo de trabalho, que não foi aberto; ele foi guardado como %2.")
                            .arg(file, backup);
    return look;
}

SaveOutcome WorkFileSaves::saveAt(Place &place, const QByteArray &bytes, QStringList &told)
{
    const std::optional<FileIdentity> found = identityOf(place.path);
    // A file that holds the work already needs no save: nothing is lost by leaving it,
    // and a disk that has filled up since cannot make it fail.
    if (found && holdsExactly(place.path, bytes)) {
        place.kept = found;
        place.written = true;
        place.bytes = bytes;
        place.vacant = place.unopened = false;
        return {};
    }
    // Looked at just before it is replaced; anything but the file read or last written
    // is kept first.
    Look look;
    const SaveOutcome outcome = saveWorkFile(place.path, bytes, [&] {
        look = lookAt(place, bytes);
        return !look.unchanged;
    });
    if (!outcome.ok)
        return outcome;
    place.kept = identityOf(place.path);
    place.written = true;
    place.bytes = bytes;
    place.vacant = place.unopened = false;
    if (!look.told.isEmpty())
        told << look.told;
    return outcome;
}

SaveReport WorkFileSaves::save(const QByteArray &bytes)
{
    QStringList told;
    const SaveOutcome atHome = saveAt(m_home, bytes, told);
    if (atHome.ok) {
        // The start reads the newer of the two files: one left in the second place, maybe
        // with a time from the future, would win over the work just saved. The second
        // place may be the file just saved under another name: that one stays.
        const std::optional<FileIdentity> there = identityOf(m_fallback.path);
        const bool retiring = !m_fallback.path.isEmpty() && !(there && m_home.kept && there->isSameFile(*m_home.kept));
        // Looked at before it goes, to tell of a course in it the user has not seen.
        const Look look = retiring ? lookAt(m_fallback, bytes) : Look();
        if (retiring && retireWorkFile(m_fallback.path, m_fallback.written ? m_fallback.kept : std::nullopt)) {
            if (!look.told.isEmpty())
                told << look.told;
            m_fallback.kept.reset();
            m_fallback.written = m_fallback.unopened = false;
            m_fallback.vacant = true;
        }
        return {true, told.join(u' ')};
    }
    const QString home = QDir::toNativeSeparators(m_home.path);
    if (m_fallback.path.isEmpty())
        return {false, QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2).")
                           .arg(home, atHome.error)};

    const QString fallback = QDir::toNativeSeparators(m_fallback.path);
    const SaveOutcome there = saveAt(m_fallback, bytes, told);
    if (there.ok)
        told.prepend(QStringLiteral("O trabalho foi gravado em %1, porque não foi possível gravá-lo em %2: %3.")
                             .arg(fallback, home, atHome.error));
    else
        told.prepend(QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em %1 (%2) nem em %3 (%4).")
                             .arg(home, atHome.error, fallback, there.error));
    return {there.ok, told.join(u' ')};
}

} // namespace trevanto
