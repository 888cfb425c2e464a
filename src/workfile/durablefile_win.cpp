#include "durablefile.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

#include <aclapi.h>
#include <io.h>
#include <windows.h>

namespace trevanto {

namespace {

const wchar_t *nativePath(const QString &path, QString &keep)
{
    keep = QDir::toNativeSeparators(path);
    return reinterpret_cast<const wchar_t *>(keep.utf16());
}

// Opens a file or folder only to look at it: no access to its bytes, shared with
// everyone. `flags` may ask for the link itself rather than what it leads to.
HANDLE openToLookAt(const QString &path, DWORD access, DWORD flags)
{
    QString native;
    return ::CreateFileW(nativePath(path, native), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

std::optional<FileIdentity> identityOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                        (qint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime};
}

// Whether the user who runs the program, the administrators or the system own what the
// handle holds.
bool ownedByUserOrSystem(HANDLE handle)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    bool ours = ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(owner, WinLocalSystemSid);
    HANDLE token = nullptr;
    if (!ours && ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> user(size);
        if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size))
            ours = ::EqualSid(owner, reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
        ::CloseHandle(token);
    }
    ::LocalFree(descriptor);
    return ours;
}

} // namespace

QString flushToDisk(QFileDevice &file)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()));
    if (handle == INVALID_HANDLE_VALUE || !::FlushFileBuffers(handle))
        return qt_error_string(int(::GetLastError()));
    return QString();
}

void flushFolder(const QString &)
{
    // A program cannot flush a folder's entries on Windows; NTFS keeps a rename in its
    // journal, which reaches the disk on its own within seconds.
}

QString replaceByRename(const QString &from, const QString &to)
{
    QString nativeFrom, nativeTo;
    if (!::MoveFileExW(nativePath(from, nativeFrom), nativePath(to, nativeTo),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return qt_error_string(int(::GetLastError()));
    return QString();
}

QFileDevice::Permissions newFilePermissions()
{
    // Who may read a new file is the folder's to say on Windows; the bits say only
    // that it is not read-only.
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
            | QFileDevice::ReadGroup | QFileDevice::ReadOther;
}

std::optional<FileIdentity> identityOf(const QString &path)
{
    const HANDLE handle = openToLookAt(path, 0, 0);
    const std::optional<FileIdentity> identity = identityOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    return identity;
}

std::optional<FileIdentity> identityOf(QFileDevice &file)
{
    return identityOfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle())));
}

QString followOwnLinks(const QString &path)
{
    // A reparse point (a symbolic link, a junction) is looked at itself, not through.
    const HANDLE link = openToLookAt(path, READ_CONTROL, FILE_FLAG_OPEN_REPARSE_POINT);
    if (link == INVALID_HANDLE_VALUE)
        return path;
    BY_HANDLE_FILE_INFORMATION info;
    const bool isLink = ::GetFileInformationByHandle(link, &info)
            && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool ours = !isLink || ownedByUserOrSystem(link);
    ::CloseHandle(link);
    if (!isLink)
        return path;
    if (!ours)
        return QString();
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

} // namespace trevanto
