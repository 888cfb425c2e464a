#include "style.h"

#include <QApplication>
#include <QStringList>

namespace trevanto {

void useProgramStyle(QApplication &app)
{
    if (qEnvironmentVariableIsSet("QT_STYLE_OVERRIDE"))
        return;
    for (const QString &argument : app.arguments()) {
        if (argument.startsWith(QLatin1StringView("-style")) || argument.startsWith(QLatin1StringView("--style")))
            return;
    }
    // The same look and room as on Linux.
    QApplication::setStyle(QStringLiteral("Fusion"));
}

} // namespace trevanto
