#include "installation.h"

#include <QDir>
#include <QFileInfo>

namespace trevanto {

bool isInstalledProgramFolder(const QString &folder)
{
    // Through its links, as the program's own folder is given.
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    path += u'/';
    return path.startsWith(QLatin1StringView("/usr/")) || path.startsWith(QLatin1StringView("/opt/"));
}

} // namespace trevanto
