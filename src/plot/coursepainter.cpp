#include "coursepainter.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPainter>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace trevanto {

namespace {

// The page: a window pixel's centre lies half a pixel into it, so a shape drawn through
// the centres covers the pixels the screen lights, at any resolution.
// What lies outside `within` is left out: a long course need not fill a page's memory
// with what no one sees. Nor does a course that runs over its own legs again: black on
// black, a line or a ring drawn once already changes nothing.
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
        if (!reach.intersects(m_within) || !firstInBlack(std::minmax(from, to, before), 0))
            return;
        usePen(Qt::black);
        m_painter.drawLine(centre(from), centre(to));
    }

    void ring(PlotPoint at, int radius, const QColor &colour) override
    {
        if (!QRectF(double(at.x) - 6, double(at.y) - 6, 13, 13).intersects(m_within))
            return;
        if (colour != Qt::black)
            m_black.clear(); // what is drawn over it may show again
        else if (!firstInBlack({at, at}, radius + 1))
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

    static bool before(PlotPoint a, PlotPoint b) { return a.x != b.x ? a.x < b.x : a.y < b.y; }

    // A line (`kind` 0) between two points, or a ring of radius `kind` - 1 around one.
    struct Shape
    {
        PlotPoint a;
        PlotPoint b;
        int kind;
        friend bool operator==(const Shape &, const Shape &) = default;
    };
    struct ShapeHash
    {
        std::size_t operator()(const Shape &s) const noexcept { return qHashMulti(0, s.a.x, s.a.y, s.b.x, s.b.y, s.kind); }
    };

    // Whether the black shape is new since the last shape in another colour.
    bool firstInBlack(std::pair<PlotPoint, PlotPoint> ends, int kind)
    {
        return m_black.insert(Shape{ends.first, ends.second, kind}).second;
    }

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
    std::unordered_set<Shape, ShapeHash> m_black;
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

// Which pixels of a rectangle are covered, a bit each, a row of 64-bit words per line.
class Coverage
{
public:
    explicit Coverage(const QRect &area)
        : m_area(area)
        , m_words(std::size_t(area.width() + 63) / 64)
        , m_bits(m_words * std::size_t(area.height()))
    {
    }

    // Covers the rectangle; returns whether any of its pixels in the area was not yet.
    bool cover(const QRect &rect)
    {
        const QRect inside = (rect & m_area).translated(-m_area.topLeft());
        bool uncovered = false;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            quint64 *row = m_bits.data() + std::size_t(y) * m_words;
            for (int x = inside.left(); x <= inside.right();) {
                const int bit = x % 64;
                const int count = std::min(64 - bit, inside.right() + 1 - x);
                const quint64 mask = (count == 64 ? ~quint64(0) : (quint64(1) << count) - 1) << bit;
                quint64 &word = row[x / 64];
                uncovered |= (word & mask) != mask;
                word |= mask;
                x += count;
            }
        }
        return uncovered;
    }

private:
    QRect m_area;
    std::size_t m_words;
    std::vector<quint64> m_bits;
};

} // namespace

std::vector<qsizetype> labelsInSight(std::span<const BearingLabel> labels, const QRect &within)
{
    std::vector<qsizetype> inSight;
    if (within.isEmpty())
        return inSight;
    Coverage coverage(within);
    for (qsizetype i = qsizetype(labels.size()) - 1; i >= 0; --i) {
        const BearingLabel &label = labels[std::size_t(i)];
        if (label.visible && coverage.cover(label.rect))
            inSight.push_back(i);
    }
    std::reverse(inSight.begin(), inSight.end());
    return inSight;
}

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
    for (const qsizetype i : labelsInSight(labels, within)) {
        const BearingLabel &label = labels[std::size_t(i)];
        painter.fillRect(label.rect, look.background);
        painter.drawText(QPointF(label.rect.left(), label.rect.top() + metrics.ascent()),
                         shownText(label.text, within.right() + 1 - label.rect.left(), metrics).toString());
    }
    painter.restore();
}

} // namespace trevanto
