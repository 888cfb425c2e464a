#include "installation.h"

#include <QDir>
#include <QFileInfo>

namespace trevanto {

bool isInstalledProgramFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + u'/';
    // The 64-bit and the 32-bit Program Files, as the system names them for this user.
    for (const char *variable : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
        const QString programs = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!programs.isEmpty() && path.startsWith(QDir::cleanPath(programs) + u'/', Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace trevanto
