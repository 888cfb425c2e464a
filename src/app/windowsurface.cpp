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
    QSize wanted = m_window->size();
    if (const QScreen *screen = m_window->screen())
        wanted = wanted.expandedTo(screen->virtualSize());
    if (m_plot.cover(wanted, m_window->devicePixelRatioF(), m_window->palette().color(QPalette::Button)))
        m_window->update();
}
