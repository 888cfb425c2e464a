#include "coursepainter.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace trevanto {

namespace {

// The page: a window pixel's centre lies half a pixel into it, so a shape drawn through
// the centres covers the pixels the screen lights, at any resolution.
// What lies outside `within` is left out: a long course need not fill a page's memory
// with what no one sees.
class PainterCanvas : public CourseCanvas
{
public:
    PainterCanvas(QPainter &painter, const QRect &within)
        : m_painter(painter)
        , m_within(within)
    {
    }

    void line(PlotPoint from, PlotPoint to) override
    {
        const QRectF reach = QRectF(centre(from), centre(to)).normalized().adjusted(-1, -1, 1, 1);
        if (!reach.intersects(m_within))
            return;
        usePen(Qt::black);
        m_painter.drawLine(centre(from), centre(to));
    }

    void ring(PlotPoint at, int radius, const QColor &colour) override
    {
        if (!QRectF(double(at.x) - 6, double(at.y) - 6, 13, 13).intersects(m_within))
            return;
        if (radius == 0) {
            m_painter.fillRect(QRectF(double(at.x), double(at.y), 1, 1), colour);
            return;
        }
        usePen(colour);
        m_painter.drawEllipse(centre(at), radius, radius);
    }

private:
    static QPointF centre(PlotPoint point) { return QPointF(double(point.x) + 0.5, double(point.y) + 0.5); }

    // A page's device writes every change of the pen, so the pen changes only when its
    // colour does.
    void usePen(const QColor &colour)
    {
        if (colour == m_colour)
            return;
        m_colour = colour;
        m_painter.setPen(QPen(colour, 1, Qt::SolidLine, Qt::SquareCap));
    }

    QPainter &m_painter;
    QRectF m_within;
    QColor m_colour;
};

// The part of a label's text that the window can show: a label runs no further than the
// window on the screen either, and a long text that no one sees would only take a page's
// memory. Short texts, a real course's, are taken whole.
QStringView shownText(const QString &text, qreal room, const QFontMetricsF &metrics)
{
    if (text.size() <= 32)
        return text;
    qreal width = 0;
    qsizetype count = 0;
    const qsizetype most = std::min(text.size(), LabelPictures::MaxCharacters);
    while (count < most && width <= room)
        width += metrics.horizontalAdvance(text.at(count++));
    return QStringView(text).left(count);
}

} // namespace

void drawCourse(const CoursePlot &plot, CourseCanvas &canvas)
{
    const qsizetype finish = lastDrawnLeg(plot);
    for (qsizetype i = 0; i <= finish; ++i) {
        const PlotLeg &leg = plot.legs[std::size_t(i)];
        if (!leg.drawn)
            continue;
        canvas.line(leg.from, leg.to);
        if (i == finish) {
            canvas.ring(leg.to, 5, Qt::black);
            for (int radius = 4; radius >= 0; --radius)
                canvas.ring(leg.to, radius, FinishGreen);
        } else {
            canvas.ring(leg.to, 3, Qt::black);
        }
    }
}

void paintCourse(QPainter &painter, const CoursePlot &plot, std::span<const BearingLabel> labels,
                 const LabelLook &look, const QRect &within)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    PainterCanvas canvas(painter, within);
    drawCourse(plot, canvas);
    // As many window pixels high as on the screen, whatever the device's dots per inch.
    QFont font = look.font;
    font.setPixelSize(QFontInfo(look.font).pixelSize());
    painter.setFont(font);
    painter.setPen(look.foreground);
    // Text drawn at its baseline, as the label's picture has it: drawing into a rectangle
    // would save and restore the painter's state, written anew for every label.
    const QFontMetricsF metrics(font);
    for (const BearingLabel &label : labels) {
        if (!label.visible || !label.rect.intersects(within))
            continue;
        painter.fillRect(label.rect, look.background);
        painter.drawText(QPointF(label.rect.left(), label.rect.top() + metrics.ascent()),
                         shownText(label.text, within.right() + 1 - label.rect.left(), metrics).toString());
    }
    painter.restore();
}

} // namespace trevanto
