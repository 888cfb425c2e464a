#include "outersize.h"

#include "common/numbers.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The smallest and largest outer size the window accepts, in pixels.
constexpr QSize MinimumOuter(120, 40);
constexpr QSize MaximumOuter(16384, 16384);

} // namespace

OuterSize::OuterSize(QWidget *window, float widthTwips, float heightTwips)
    : m_window(window)
    , m_widthTwips(widthTwips)
    , m_heightTwips(heightTwips)
{
    apply();
    window->installEventFilter(this);
}

bool OuterSize::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowStateChange)
        follow();
    return false;
}

void OuterSize::setWidthTwips(double twips)
{
    setTwips(float(twips), m_heightTwips);
    apply();
}

void OuterSize::setHeightTwips(double twips)
{
    setTwips(m_widthTwips, float(twips));
    apply();
}

void OuterSize::setTwips(float width, float height)
{
    if (width == m_widthTwips && height == m_heightTwips)
        return;
    m_widthTwips = width;
    m_heightTwips = height;
    emit changed();
}

void OuterSize::apply()
{
    // A size below the smallest the window takes is kept as the size it did take; one
    // larger than the screen keeps its twips, for a larger screen to show.
    float width = m_widthTwips;
    float height = m_heightTwips;
    auto toPixels = [](float &twips, int low, int high) {
        const double pixels = trevanto::roundHalfEven(double(twips) / TwipsPerPixel);
        if (pixels < low)
            twips = float(low * TwipsPerPixel);
        return int(std::clamp(pixels, double(low), double(high)));
    };
    // No larger than the screen's area for windows: a window and a drawing surface of a
    // size no screen shows would only take memory.
    QSize largest = MaximumOuter;
    if (const QScreen *screen = m_window->screen())
        largest = largest.boundedTo(screen->availableGeometry().size()).expandedTo(MinimumOuter);
    const QSize outer(toPixels(width, MinimumOuter.width(), largest.width()),
                      toPixels(height, MinimumOuter.height(), largest.height()));
    setTwips(width, height);

    m_frameMargins = m_window->frameGeometry().size() - m_window->size();
    // Nor can the user make it smaller than the work file gives back.
    m_window->setMinimumSize((MinimumOuter - m_frameMargins).expandedTo(QSize(1, 1)));
    m_appliedOuterSize = outer;
    m_givenInside = (outer - m_frameMargins).expandedTo(QSize(1, 1));
    m_lastResize.reset();
    m_applying = true;
    m_window->resize(m_givenInside);
    m_applying = false;
}

QPoint placeOnScreen(QPoint wanted, QSize outer, const QRect &available)
{
    const auto fit = [](int at, int size, int from, int length) {
        return std::max(from, std::min(at, from + length - size));
    };
    return QPoint(fit(wanted.x(), outer.width(), available.x(), available.width()),
                  fit(wanted.y(), outer.height(), available.y(), available.height()));
}

void OuterSize::follow()
{
    if (m_applying || !m_window->isVisible())
        return;
    const QSize outer = m_window->frameGeometry().size();
    if (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) {
        // The window manager's size. A manager that resizes the window before it says
        // that the window is maximized has not given it a size of the user's.
        const QScreen *screen = m_window->screen();
        const bool fillsScreen = screen && outer.width() >= screen->availableGeometry().width()
                                 && outer.height() >= screen->availableGeometry().height();
        if (m_lastResize && m_lastResize->inside == m_window->size() && fillsScreen) {
            m_appliedOuterSize = m_lastResize->outerBefore;
            setTwips(m_lastResize->widthTwips, m_lastResize->heightTwips);
        }
        m_lastResize.reset();
        m_managedInside = m_window->size();
        return;
    }
    // Nor is the manager's size a user's when the window is restored and still has it,
    // until the manager gives the size before back.
    if (m_managedInside && *m_managedInside == m_window->size())
        return;
    m_managedInside.reset();
    const QSize margins = outer - m_window->size();
    if (!m_framed && margins != m_frameMargins) {
        // The frame became known after the size was set: give the outer size again,
        // unless the window has another inside already, which the window manager or the
        // user chose.
        m_framed = true;
        if (m_window->size() == m_givenInside) {
            apply();
            emit framed();
            return;
        }
        emit framed();
    }
    m_frameMargins = margins;
    if (outer == m_appliedOuterSize)
        return;
    // The user (or the system) resized the window. A size of the pixels the twips give
    // already, as restore brings back, leaves them as they are.
    const Resize resize{m_appliedOuterSize, m_widthTwips, m_heightTwips, m_window->size()};
    m_appliedOuterSize = outer;
    // Compared as doubles: a work file's twips may lie far outside the int range.
    if (outer.width() == trevanto::roundHalfEven(double(m_widthTwips) / TwipsPerPixel)
        && outer.height() == trevanto::roundHalfEven(double(m_heightTwips) / TwipsPerPixel))
        return;
    m_lastResize = resize;
    setTwips(float(outer.width() * TwipsPerPixel), float(outer.height() * TwipsPerPixel));
}
