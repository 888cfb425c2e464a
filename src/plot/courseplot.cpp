#include "courseplot.h"


#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace trevanto {

namespace {

// Points this far outside the surface are clipped before they reach the painter,
// whose own coordinates are fixed-point and overflow long before 32 bits.
constexpr double SafeExtent = 1 << 20;

bool isNear(PlotPoint p)
{
    return std::abs(double(p.x)) < SafeExtent && std::abs(double(p.y)) < SafeExtent;
}

void drawCircle(QPainter &painter, const QRect &bounds, PlotPoint centre, int radius, const QPen &pen)
{
    const QRect box(centre.x - radius, centre.y - radius, 2 * radius + 1, 2 * radius + 1);
    if (!isNear(centre) || !bounds.intersects(box))
        return;
    painter.setPen(pen);
    if (radius == 0)
        painter.drawPoint(centre.x, centre.y);
    else
        painter.drawEllipse(QPoint(centre.x, centre.y), radius, radius);
}

// Draws one line between two points that may lie far outside `bounds`; the part
// inside is exactly the line between the two points.
void drawPlotLine(QPainter &painter, const QRect &bounds, PlotPoint from, PlotPoint to)
{
    if (isNear(from) && isNear(to)) {
        painter.drawLine(from.x, from.y, to.x, to.y);
        return;
    }
    // Liang-Barsky against a box well around the surface, in double precision.
    const double margin = 16;
    const double xmin = bounds.left() - margin, xmax = bounds.right() + margin;
    const double ymin = bounds.top() - margin, ymax = bounds.bottom() + margin;
    const double x0 = from.x, y0 = from.y;
    const double dx = double(to.x) - x0, dy = double(to.y) - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return;
        } else {
            const double t = q[k] / p[k];
            if (p[k] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
    }
    if (t0 > t1)
        return;
    painter.drawLine(QPointF(x0 + t0 * dx, y0 + t0 * dy), QPointF(x0 + t1 * dx, y0 + t1 * dy));
}

} // namespace

QRect courseBounds(const CoursePlot &plot, const QRect &within)
{
    if (plot.legs.empty())
        return QRect();
    std::int64_t left = plot.legs.front().from.x, right = left;
    std::int64_t top = plot.legs.front().from.y, bottom = top;
    for (const PlotLeg &leg : plot.legs) {
        left = std::min<std::int64_t>(left, leg.to.x);
        right = std::max<std::int64_t>(right, leg.to.x);
        top = std::min<std::int64_t>(top, leg.to.y);
        bottom = std::max<std::int64_t>(bottom, leg.to.y);
    }
    // The finish target's outer ring, and a pixel for the pen's own width.
    const int reach = 6;
    auto clampX = [&](std::int64_t x) { return int(std::clamp<std::int64_t>(x, within.left(), within.right() + 1)); };
    auto clampY = [&](std::int64_t y) { return int(std::clamp<std::int64_t>(y, within.top(), within.bottom() + 1)); };
    const QPoint topLeft(clampX(left - reach), clampY(top - reach));
    const QPoint bottomRight(clampX(right + reach + 1), clampY(bottom + reach + 1));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())) & within;
}

void drawCourse(QPainter &painter, const CoursePlot &plot)
{
    const QPaintDevice *device = painter.device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
    const QRect bounds = device ? QRect(0, 0, qCeil(device->width() / ratio), qCeil(device->height() / ratio)) : QRect();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    // With more than one device pixel per window pixel the one-pixel pen is centred
    // on the coordinate and would straddle two window pixels; half a pixel over puts
    // it on the window pixel it covers at the plain density.
    if (ratio != 1.0)
        painter.translate(0.5, 0.5);
    const QPen black(Qt::black, 1);
    const QPen green(FinishGreen, 1);
    const std::size_t count = plot.legs.size();
    for (std::size_t i = 0; i < count; ++i) {
        const PlotLeg &leg = plot.legs[i];
        painter.setPen(black);
        drawPlotLine(painter, bounds, leg.from, leg.to);
        if (i + 1 == count) {
            drawCircle(painter, bounds, leg.to, 5, black);
            for (int radius = 4; radius >= 0; --radius)
                drawCircle(painter, bounds, leg.to, radius, green);
        } else {
            drawCircle(painter, bounds, leg.to, 3, black);
        }
    }
    painter.restore();
}

BearingLabelPainter::BearingLabelPainter(const QFont &font, QColor foreground, QColor background,
                                         qreal devicePixelRatio)
    : m_font(font)
    , m_metrics(font)
    , m_foreground(foreground)
    , m_background(background)
    , m_devicePixelRatio(devicePixelRatio)
{
}

bool BearingLabelPainter::paintsLike(const QFont &font, QColor foreground, QColor background,
                                     qreal devicePixelRatio) const
{
    return m_font == font && m_foreground == foreground && m_background == background
           && m_devicePixelRatio == devicePixelRatio;
}

QRect BearingLabelPainter::paint(QPainter &painter, QPoint corner, const QString &text)
{
    auto it = m_rendered.constFind(text);
    if (it == m_rendered.cend()) {
        // Bearings repeat, so few texts cover a course; a file of ever-different texts
        // must not keep a picture of each.
        if (m_rendered.size() >= MaxRenderedLabels)
            m_rendered.clear();
        const QSize size(m_metrics.horizontalAdvance(text), m_metrics.height());
        QImage image(size * m_devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(m_devicePixelRatio);
        image.fill(m_background);
        QPainter textPainter(&image);
        textPainter.setFont(m_font);
        textPainter.setPen(m_foreground);
        textPainter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        textPainter.end();
        it = m_rendered.insert(text, image);
    }
    painter.drawImage(corner, *it);
    return QRect(corner, it->deviceIndependentSize().toSize());
}

} // namespace trevanto
