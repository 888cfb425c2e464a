#include "weblink.h"

#include <QProcess>
#include <QStringList>

namespace trevanto {

bool DesktopLauncher::startProgram(const QString &commandLine, int windowStyle)
{
    // A window style is a Windows notion; here the program opens its window as it will.
    Q_UNUSED(windowStyle);
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

} // namespace trevanto
