#include "worklock.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace trevanto {

namespace {

const wchar_t *nativePath(const QString &path, QString &keep)
{
    keep = QDir::toNativeSeparators(path);
    return reinterpret_cast<const wchar_t *>(keep.utf16());
}

} // namespace

LockEntry lookAtLock(const QString &path)
{
    LockEntry entry;
    QString native;
    const DWORD attributes = ::GetFileAttributesW(nativePath(path, native));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return entry;
    entry.modified = QFileInfo(path).lastModified();
    // A folder, or a reparse point (a link, a junction): not a lock, and not followed.
    entry.kind = LockEntry::Other;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return entry;
    entry.kind = LockEntry::File;
    // A running copy keeps its lock open and lets no one else write it.
    const HANDLE probe = ::CreateFileW(nativePath(path, native), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        entry.holder = LockEntry::Free;
        ::CloseHandle(probe);
    } else if (::GetLastError() == ERROR_SHARING_VIOLATION) {
        entry.holder = LockEntry::Held;
    }
    const HANDLE reader = ::CreateFileW(nativePath(path, native), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (reader != INVALID_HANDLE_VALUE) {
        entry.content.resize(1024);
        DWORD got = 0;
        if (!::ReadFile(reader, entry.content.data(), DWORD(entry.content.size()), &got, nullptr))
            got = 0;
        entry.content.resize(got);
        ::CloseHandle(reader);
    }
    return entry;
}

QString removeLockEntry(const QString &path)
{
    QString native;
    const DWORD attributes = ::GetFileAttributesW(nativePath(path, native));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return QString();
    // A junction or a folder link is removed as a folder, itself, not what it leads to.
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(nativePath(path, native))
                                                                 : ::DeleteFileW(nativePath(path, native));
    if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return qt_error_string(int(::GetLastError()));
    return QString();
}

} // namespace trevanto
