#pragma once

#include <QGuiApplication>
#include <QWidget>

namespace trevanto {

// On Wayland, takes the upper limit off a window whose size is fixed, so that a
// maximize, from the title bar Qt draws itself or from the compositor, is obeyed.
// A Wayland compositor may maximize any window, and one that then keeps a size other
// than the one it was given commits a protocol error that ends the program. The
// window still opens at its designed size and never shrinks below it. On other
// platforms the window manager offers no maximize for a fixed size, and nothing
// changes. Call it after each time the window's own code fixes its size. (Kept to
// this header: only the windows' code, which has Qt Widgets, includes it.)
inline void letWaylandMaximize(QWidget *window)
{
    // "wayland", and the plugin's variants such as "wayland-egl".
    if (QGuiApplication::platformName().startsWith(QLatin1StringView("wayland")))
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

} // namespace trevanto
