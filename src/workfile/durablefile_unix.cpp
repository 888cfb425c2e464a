#include "durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevanto {

namespace {

FileIdentity identityFromStat(const struct stat &status)
{
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

} // namespace

QString flushToDisk(QFileDevice &file)
{
    if (::fsync(file.handle()) != 0)
        return qt_error_string(errno);
    return QString();
}

void flushFolder(const QString &folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    ::fsync(dir);
    ::close(dir);
}

QString replaceByRename(const QString &from, const QString &to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return qt_error_string(errno);
    return QString();
}

QFileDevice::Permissions newFilePermissions()
{
    // The mask is read where the system shows it, not set and set back: another thread
    // could create a file in between.
    unsigned mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const unsigned read = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    mask = read;
            }
        }
    }
    const unsigned mode = 0666 & ~mask;
    QFileDevice::Permissions permissions;
    const std::pair<unsigned, QFileDevice::Permissions> bits[] = {
        {0400, QFileDevice::ReadOwner | QFileDevice::ReadUser}, {0200, QFileDevice::WriteOwner | QFileDevice::WriteUser},
        {0040, QFileDevice::ReadGroup}, {0020, QFileDevice::WriteGroup},
        {0004, QFileDevice::ReadOther}, {0002, QFileDevice::WriteOther}};
    for (const auto &[bit, permission] : bits) {
        if (mode & bit)
            permissions |= permission;
    }
    return permissions;
}

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return identityFromStat(status);
}

std::optional<FileIdentity> identityOf(QFileDevice &file)
{
    struct stat status;
    if (file.handle() < 0 || ::fstat(file.handle(), &status) != 0)
        return std::nullopt;
    return identityFromStat(status);
}

QString followOwnLinks(const QString &path)
{
    QString at = path;
    // As many links in a row as the system itself follows.
    for (int links = 0; links < 40; ++links) {
        const QByteArray name = QFile::encodeName(at);
        struct stat status;
        if (::lstat(name.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return at;
        if (status.st_uid != ::geteuid() && status.st_uid != 0)
            return QString();
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t length = ::readlink(name.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size())
            return QString();
        const QString next = QFile::decodeName(target.left(length));
        at = QDir::isAbsolutePath(next) ? next : QFileInfo(at).absolutePath() + u'/' + next;
    }
    return QString();
}

} // namespace trevanto
