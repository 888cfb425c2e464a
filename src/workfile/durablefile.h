#pragma once

#include <QFileDevice>
#include <QString>

#include <optional>

namespace trevanto {

// What reaching the disk takes on this system. A file written and then renamed over
// another is whole after a power cut only when its bytes reached the disk before the
// rename, and the rename itself is kept only when the folder's entry reached it too.

// Makes the bytes written to the open file reach the disk. Returns an empty string, or
// the system's reason why they could not.
QString flushToDisk(QFileDevice &file);

// Makes the names in the folder (a file created, renamed or removed) reach the disk, as
// far as the system lets a program ask for it.
void flushFolder(const QString &folder);

// Gives the file `from` the name `to` in one step, in place of whatever had that name:
// a link there is replaced, never written through. Returns an empty string, or the
// system's reason why it could not.
QString replaceByRename(const QString &from, const QString &to);

// The permissions a new file gets here (what the user's settings leave of read and
// write for everyone).
QFileDevice::Permissions newFilePermissions();

// What tells one file from another, whatever the name it is reached by: the disk and the
// file's number on it, with its size and the time of its last change. Two names of one
// file (a link, another letter case, a short name) give the same `device` and `file`; a
// file replaced, or written, under the same name gives another identity.
struct FileIdentity
{
    quint64 device = 0;
    quint64 file = 0;
    qint64 size = 0;
    qint64 modified = 0; // in the system's own units

    bool isSameFile(const FileIdentity &other) const { return device == other.device && file == other.file; }
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

// The identity of the file or folder at `path`, through links; none when nothing is
// there (or it cannot be looked at).
std::optional<FileIdentity> identityOf(const QString &path);
// The identity of an open file.
std::optional<FileIdentity> identityOf(QFileDevice &file);

// Whether the two paths name one file or folder.
inline bool isSameFile(const QString &one, const QString &other)
{
    const std::optional<FileIdentity> first = identityOf(one), second = identityOf(other);
    return first && second && first->isSameFile(*second);
}

// Where reading or writing `path` leads: `path` itself when it is no link, otherwise the
// place its links end at, when each of them belongs to the user or to the system (root;
// on Windows also the administrators). Empty when a link there belongs to anyone else:
// in a folder others can write, a link of theirs would lead the program's writes, and
// its copies, wherever they chose; empty too when the links go round.
QString followOwnLinks(const QString &path);

// Why a path that followOwnLinks() leads nowhere from is not used, as the user is told.
inline QString unfollowedLinkReason()
{
    return QStringLiteral("é um link que o Trevanto não segue (de outro usuário, ou que volta a si mesmo)");
}

} // namespace trevanto
