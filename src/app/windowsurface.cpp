#include "windowsurface.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

WindowSurface::WindowSurface(QWidget *window)
    : m_window(window)
{
    cover();
    window->installEventFilter(this);
}

bool WindowSurface::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::ScreenChangeInternal)
        cover();
    return false;
}

void WindowSurface::cover()
{
    // No larger than the screens: a part of the window beyond them shows nothing.
    QSize wanted = m_window->size();
    if (const QScreen *screen = m_window->screen())
        wanted = screen->virtualSize();
    if (m_plot.cover(wanted, m_window->devicePixelRatioF(), m_window->palette().color(QPalette::Button)))
        m_window->update();
}
