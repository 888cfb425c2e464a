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
    if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)
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
    m_applying = true;
    m_window->resize((outer - m_frameMargins).expandedTo(QSize(1, 1)));
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
    const QSize margins = m_window->frameGeometry().size() - m_window->size();
    if (margins != m_frameMargins) {
        // The frame became known after the size was set: give the outer size again.
        apply();
        emit framed();
        return;
    }
    const QSize outer = m_window->frameGeometry().size();
    if (outer == m_appliedOuterSize)
        return;
    // The user (or the system) resized the window.
    m_appliedOuterSize = outer;
    setTwips(float(outer.width() * TwipsPerPixel), float(outer.height() * TwipsPerPixel));
}
