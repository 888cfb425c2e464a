#include "windowsize.h"

#include <QGuiApplication>
#include <QWidget>

namespace trevanto {

void letWaylandMaximize(QWidget *window)
{
    // "wayland", and the plugin's variants such as "wayland-egl".
    if (QGuiApplication::platformName().startsWith(QLatin1StringView("wayland")))
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

} // namespace trevanto
