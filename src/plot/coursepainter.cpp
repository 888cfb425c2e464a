#include "coursepainter.h"

#include <QPainter>

namespace trevanto {

namespace {

// The page: a window pixel's centre lies half a pixel into it, so a shape drawn through
// the centres covers the pixels the screen lights, at any resolution.
class PainterCanvas : public CourseCanvas
{
public:
    explicit PainterCanvas(QPainter &painter)
        : m_painter(painter)
    {
    }

    void line(PlotPoint from, PlotPoint to) override
    {
        m_painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap));
        m_painter.drawLine(centre(from), centre(to));
    }

    void ring(PlotPoint at, int radius, const QColor &colour) override
    {
        if (radius == 0) {
            m_painter.fillRect(QRectF(double(at.x), double(at.y), 1, 1), colour);
            return;
        }
        m_painter.setPen(QPen(colour, 1));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawEllipse(centre(at), radius, radius);
    }

private:
    static QPointF centre(PlotPoint point) { return QPointF(double(point.x) + 0.5, double(point.y) + 0.5); }

    QPainter &m_painter;
};

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
                 const LabelLook &look)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PainterCanvas canvas(painter);
    drawCourse(plot, canvas);
    painter.setFont(look.font);
    painter.setPen(look.foreground);
    for (const BearingLabel &label : labels) {
        if (!label.visible)
            continue;
        painter.fillRect(label.rect, look.background);
        painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         label.text.left(LabelPictures::MaxCharacters));
    }
    painter.restore();
}

} // namespace trevanto
