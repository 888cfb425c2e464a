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

// Draws one line between two points that may lie far outside the painter's
// `bounds`; the part inside is exactly the line between the two points.
void drawPlotLine(QPainter &painter, const QRect &bounds, PlotPoint from, PlotPoint to);

// A bearing label of the plot: opaque, sized to its text, painted above the plot
// and below the window's controls.
struct BearingLabel
{
    QRect rect;
    QString text;
    bool visible = false;
};

// Paints bearing labels in order (a later label covers an earlier one), each its
// rectangle in `background` with the text in `foreground`. Labels of the same text
// are rendered once and copied.
class BearingLabelPainter
{
public:
    BearingLabelPainter(const QFont &font, QColor foreground, QColor background, qreal devicePixelRatio);

    // The size a label takes for its text: the text's advance by the font's height.
    QSize labelSize(const QString &text) const;
    void paint(QPainter &painter, const BearingLabel &label);

private:
    QFont m_font;
    QFontMetrics m_metrics;
    QColor m_foreground;
    QColor m_background;
    qreal m_devicePixelRatio;
    QHash<QString, QImage> m_rendered;
};

} // namespace trevanto
