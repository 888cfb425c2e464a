#include "worklock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevanto {

LockEntry lookAtLock(const QString &path)
{
    LockEntry entry;
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::lstat(name.constData(), &status) != 0)
        return entry;
    entry.modified = QDateTime::fromSecsSinceEpoch(status.st_mtim.tv_sec);
    entry.kind = LockEntry::Other;
    if (!S_ISREG(status.st_mode))
        return entry;
    // Opened so that nothing put in its place meanwhile (a pipe, a link) can block or
    // lead elsewhere; and looked at again once open.
    const int file = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (file < 0)
        return entry;
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode)) {
        entry.kind = LockEntry::File;
        // A running copy holds its lock with flock() for as long as it runs.
        if (::flock(file, LOCK_EX | LOCK_NB) == 0)
            entry.holder = LockEntry::Free;
        else if (errno == EWOULDBLOCK)
            entry.holder = LockEntry::Held;
        entry.content.resize(1024);
        const ssize_t got = ::read(file, entry.content.data(), size_t(entry.content.size()));
        entry.content.resize(got > 0 ? got : 0);
    }
    ::close(file);
    return entry;
}

QString removeLockEntry(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::lstat(name.constData(), &status) != 0)
        return QString();
    if ((S_ISDIR(status.st_mode) ? ::rmdir(name.constData()) : ::unlink(name.constData())) != 0 && errno != ENOENT)
        return qt_error_string(errno);
    return QString();
}

} // namespace trevanto
