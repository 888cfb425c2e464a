#include "installation.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <string>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace trevanto {

namespace {

// The path of an existing file or folder as the system itself names it: junctions and
// links followed, short 8.3 names made long, each name in its own letter case, without
// the "\\?\" prefix. Empty when it cannot be opened.
QString existingFinalPath(const QString &path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    // No access to the contents is asked for; backup semantics let a folder be opened.
    const HANDLE handle = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return QString();
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(handle);
    if (length == 0 || length >= buffer.size())
        return QString();
    QString real = QString::fromWCharArray(buffer.data(), int(length));
    if (real.startsWith(QLatin1StringView("\\\\?\\UNC\\")))
        real = QLatin1StringView("\\\\") + real.sliced(8);
    else if (real.startsWith(QLatin1StringView("\\\\?\\")))
        real = real.sliced(4);
    return real;
}

// The real path of `path`; of a path that does not exist (yet), the real path of the
// nearest folder above it that does, with the rest of the names as given.
QString finalPath(const QString &path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    for (;;) {
        if (const QString real = existingFinalPath(existing); !real.isEmpty())
            return rest.isEmpty() ? real : QDir::toNativeSeparators(QDir(real).filePath(rest));
        const QFileInfo info(existing);
        const QString parent = info.path();
        if (parent == existing || info.fileName().isEmpty())
            return QString();
        rest = rest.isEmpty() ? info.fileName() : info.fileName() + u'/' + rest;
        existing = parent;
    }
}

// Whether `path` is `folder` or lies inside it, letter case aside, as the file system
// compares names.
bool isWithin(const QString &path, const QString &folder)
{
    if (folder.isEmpty() || path.size() < folder.size())
        return false;
    const auto equal = [](QStringView a, QStringView b) {
        return ::CompareStringOrdinal(reinterpret_cast<LPCWCH>(a.utf16()), int(a.size()),
                                      reinterpret_cast<LPCWCH>(b.utf16()), int(b.size()), TRUE) == CSTR_EQUAL;
    };
    if (!equal(QStringView(path).first(folder.size()), folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == u'\\' || folder.endsWith(u'\\');
}

// The Program Files folders as the system names them (64-bit, 32-bit), by their real paths.
QStringList programFilesFolders()
{
    QStringList folders;
    for (const KNOWNFOLDERID &id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_ProgramFilesX64}) {
        PWSTR known = nullptr;
        if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &known))) {
            const QString real = finalPath(QString::fromWCharArray(known));
            if (!real.isEmpty())
                folders << real;
        }
        ::CoTaskMemFree(known);
    }
    return folders;
}

// The folder the installer recorded as the one it installed into, for all users or for
// this one (the key the installer writes and its uninstaller removes).
QStringList recordedInstallFolders()
{
    QStringList folders;
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const DWORD view : {DWORD(RRF_SUBKEY_WOW6464KEY), DWORD(RRF_SUBKEY_WOW6432KEY)}) {
            wchar_t value[MAX_PATH + 1] = {};
            DWORD size = sizeof value - sizeof(wchar_t);
            if (::RegGetValueW(root, L"Software\\Pervona\\Trevanto", nullptr, RRF_RT_REG_SZ | view, nullptr, value,
                               &size) == ERROR_SUCCESS) {
                const QString real = finalPath(QString::fromWCharArray(value));
                if (!real.isEmpty())
                    folders << real;
            }
        }
    }
    return folders;
}

} // namespace

QString pathInSystemProgramFolders(const QString &path)
{
    const QString real = finalPath(path);
    if (real.isEmpty())
        return QString();
    const QStringList folders = programFilesFolders();
    const bool within =
            std::any_of(folders.begin(), folders.end(), [&](const QString &folder) { return isWithin(real, folder); });
    return within ? real : QString();
}

bool isInstalledProgramFolder(const QString &folder)
{
    if (!pathInSystemProgramFolders(folder).isEmpty())
        return true;
    // A folder picked in the installer, outside Program Files, is the installed one too.
    const QString real = finalPath(folder);
    const QStringList recorded = recordedInstallFolders();
    return !real.isEmpty()
           && std::any_of(recorded.begin(), recorded.end(), [&](const QString &installed) {
                  return real.size() == installed.size() && isWithin(real, installed);
              });
}

} // namespace trevanto
