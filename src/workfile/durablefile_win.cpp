#include "durablefile.h"

#include <QFileDevice>

#include <io.h>
#include <windows.h>

namespace trevanto {

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

} // namespace trevanto
