#include "plotsurface.h"

#include "plot/coursepainter.h"
#include "plot/raster.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace trevanto {

namespace {

quint32 premultiplied(QColor colour)
{
    return qPremultiply(colour.rgba());
}

// The window's surface: lines and rings written into its scan lines, window pixel by
// window pixel, or smoothed at the device's resolution.
class RasterCanvas : public CourseCanvas
{
public:
    RasterCanvas(Raster &raster, bool smooth)
        : m_raster(raster)
        , m_smooth(smooth)
    {
    }
    void line(PlotPoint from, PlotPoint to) override
    {
        m_smooth ? m_raster.smoothLine(from, to, Black) : m_raster.line(from, to, Black);
    }
    void ring(PlotPoint centre, int radius, const QColor &colour) override
    {
        m_smooth ? m_raster.smoothRing(centre, radius, premultiplied(colour))
                 : m_raster.ring(centre, radius, premultiplied(colour));
    }

private:
    static constexpr quint32 Black = 0xFF000000;
    Raster &m_raster;
    bool m_smooth;
};

// Whether each window pixel is a whole square of device pixels: at 100 % and 200 % the
// plot's pixels are written as they are; at 125 % or 150 % a pixel so widened would be
// one device pixel here and two there, and a slanting line would come out beaded.
bool wholeDeviceSquares(qreal ratio)
{
    return ratio >= 1 && ratio == std::floor(ratio);
}

// The part of `within` that the lines and circles of the plot can touch: every point
// of the course and the finish target's outer ring around it, and `margin` more window
// pixels each way.
QRect courseArea(const CoursePlot &plot, const QRect &within, int margin)
{
    if (lastDrawnLeg(plot) < 0)
        return QRect();
    std::int64_t left = plot.legs.front().from.x, right = left;
    std::int64_t top = plot.legs.front().from.y, bottom = top;
    for (const PlotLeg &leg : plot.legs) {
        left = std::min<std::int64_t>(left, leg.to.x);
        right = std::max<std::int64_t>(right, leg.to.x);
        top = std::min<std::int64_t>(top, leg.to.y);
        bottom = std::max<std::int64_t>(bottom, leg.to.y);
    }
    const int reach = 5 + margin;
    auto clampX = [&](std::int64_t x) { return int(std::clamp<std::int64_t>(x, within.left(), within.right() + 1)); };
    auto clampY = [&](std::int64_t y) { return int(std::clamp<std::int64_t>(y, within.top(), within.bottom() + 1)); };
    const QPoint topLeft(clampX(left - reach), clampY(top - reach));
    const QPoint bottomRight(clampX(right + reach + 1), clampY(bottom + reach + 1));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())) & within;
}

} // namespace

bool PlotSurface::cover(QSize size, qreal ratio, QColor background)
{
    const QSize held = m_image.deviceIndependentSize().toSize();
    if (!m_image.isNull() && m_image.devicePixelRatio() == ratio && held.width() >= size.width()
        && held.height() >= size.height())
        return false;
    const QSize wanted = m_image.isNull() ? size : size.expandedTo(held);
    m_background = background;
    QImage grown(wanted * ratio, QImage::Format_ARGB32_Premultiplied);
    grown.setDevicePixelRatio(ratio);
    grown.fill(background);
    if (!m_image.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(QPoint(0, 0), m_image);
    }
    m_image = grown;
    return true;
}

void PlotSurface::paint(QPainter &painter, const QRect &dirty) const
{
    const QRect held = dirty & QRect(QPoint(0, 0), m_image.deviceIndependentSize().toSize());
    const qreal ratio = m_image.devicePixelRatio();
    const QRectF source(held.x() * ratio, held.y() * ratio, held.width() * ratio, held.height() * ratio);
    painter.drawImage(QRectF(held), m_image, source);
    // A window larger than the surface shows the background beyond it.
    for (const QRect &beyond : QRegion(dirty).subtracted(held))
        painter.fillRect(beyond, m_background);
}

QRect PlotSurface::draw(const CoursePlot &plot, const QStringList &texts, const LabelLook &look,
                        std::span<BearingLabel> labels)
{
    Raster raster(m_image);
    const QRect cleared = m_drawnArea;
    raster.fill(cleared, premultiplied(look.background));

    const qreal ratio = m_image.devicePixelRatio();
    // At 100 % and 200 % the window pixels are written as they are; at any other
    // density the course is drawn at the screen's own resolution, as the page draws it:
    // the same shapes through the same pixel centres, smoothed. A smoothed edge may
    // reach into the device pixel that a window pixel beyond the shapes shares with them.
    const bool smooth = !wholeDeviceSquares(ratio);
    RasterCanvas canvas(raster, smooth);
    drawCourse(plot, canvas);
    m_drawnArea = courseArea(plot, raster.bounds(), smooth ? 1 : 0);
    if (!m_pictures || !m_pictures->drawsLike(look, ratio))
        m_pictures.emplace(look, ratio);
    for (std::size_t i = 0; i < plot.legs.size(); ++i) {
        BearingLabel &label = labels[i];
        if (!plot.legs[i].drawn) {
            label = BearingLabel();
            continue;
        }
        const QString &text = texts.at(qsizetype(i));
        const PlotPoint corner = plot.legs[i].labelCorner;
        const QPoint at(nearWindow(corner.x), nearWindow(corner.y));
        const QRect rect(at, m_pictures->measured(text).size);
        m_drawnArea |= rect & raster.bounds();
        label.rect = rect;
        label.visible = true;
        // A redraw mostly shows the texts it showed before: sharing them costs nothing.
        if (!label.text.isSharedWith(text))
            label.text = text;
    }
    // Only the labels that show: a long course stacks most of them under later ones, and
    // a text never seen is never rendered, which spares the start-up the pictures of
    // hundreds of bearings.
    for (const qsizetype i : labelsInSight(labels, raster.bounds())) {
        const BearingLabel &label = labels[std::size_t(i)];
        raster.blit(label.rect, m_pictures->rendered(label.text, m_pictures->measured(label.text)));
    }
    return cleared | m_drawnArea;
}

} // namespace trevanto
