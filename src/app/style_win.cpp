#include "style.h"

#include <QApplication>

namespace trevanto {

void useProgramStyle(bool styleAsked)
{
    if (styleAsked || qEnvironmentVariableIsSet("QT_STYLE_OVERRIDE"))
        return;
    // The same look and room as on Linux.
    QApplication::setStyle(QStringLiteral("Fusion"));
}

} // namespace trevanto
