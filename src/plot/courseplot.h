#pragma once

#include "plot/geometry.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QLocale>
#include <QRect>
#include <QStringList>

#include <vector>

class QPainter;

namespace trevanto {

// One leg as the redraw draws it: the line from `from` to `to` and the top-left
// corner of its bearing label.
struct PlotLeg
{
    PlotPoint from;
    PlotPoint to;
    PlotPoint labelCorner;
};

// The legs of one redraw, in course order: each starts where the one before ends.
struct CoursePlot
{
    std::vector<PlotLeg> legs;
};

// Colours of the finish target's inner rings: red 0, green 192, blue 0.
inline const QColor FinishGreen = QColor(0, 192, 0);

// Draws the lines and circles of the course on the painter, one pixel wide and not
// anti-aliased, leg by leg: the line, then the turning-point circle (radius 3,
// black) or, after the last leg, the finish target (radius 5 black, then 4 to 0
// green). The start gets no circle.
void drawCourse(QPainter &painter, const CoursePlot &plot);

// Returns the part of `within` that drawCourse() paints for the plot: every line and
// every circle around a leg's end.
QRect courseBounds(const CoursePlot &plot, const QRect &within);

// A bearing label of the plot: opaque, sized to its text, painted above the plot
// and below the window's controls.
struct BearingLabel
{
    QRect rect;
    QString text;
    bool visible = false;
};

// Paints bearing labels: each its rectangle in `background` with the text in
// `foreground`, sized to the text. A label of a text painted before is copied from
// the first one, so a long course of few distinct bearings stays quick to draw.
class BearingLabelPainter
{
public:
    BearingLabelPainter(const QFont &font, QColor foreground, QColor background, qreal devicePixelRatio);

    // Paints the label with its top-left corner at `corner` and returns its rectangle.
    QRect paint(QPainter &painter, QPoint corner, const QString &text);

    // Whether labels painted now would look as they would from a painter made anew
    // with these arguments.
    bool paintsLike(const QFont &font, QColor foreground, QColor background, qreal devicePixelRatio) const;

private:
    static constexpr qsizetype MaxRenderedLabels = 4096;

    QFont m_font;
    QFontMetrics m_metrics;
    QColor m_foreground;
    QColor m_background;
    qreal m_devicePixelRatio;
    QHash<QString, QImage> m_rendered;
};

} // namespace trevanto
