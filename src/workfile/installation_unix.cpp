#include "installation.h"

#include <QDir>
#include <QFileInfo>

namespace trevanto {

QString pathInSystemProgramFolders(const QString &path)
{
    // Through its links, as the program's own folder is given.
    QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        real = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString within = real + u'/';
    return within.startsWith(QLatin1StringView("/usr/")) || within.startsWith(QLatin1StringView("/opt/")) ? real
                                                                                                          : QString();
}

bool isInstalledProgramFolder(const QString &folder)
{
    return !pathInSystemProgramFolders(folder).isEmpty();
}

} // namespace trevanto
