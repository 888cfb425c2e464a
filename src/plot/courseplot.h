#pragma once

#include "plot/geometry.h"

#include <QColor>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

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

// Returns the course drawn from `start`: leg i joins the distance distances[i] and the
// bearing bearings[i], at the scale `scaleText`. Legs are plotted while both lists
// hold them, and the course stops before the first leg that cannot be plotted (a text
// that is not a number, or a point outside 32 bits), which only an edited work file
// can hold.
CoursePlot plotCourse(PlotPoint start, const QStringList &distances, const QStringList &bearings,
                      QStringView scaleText, const QLocale &locale);

// Colour of the finish target's inner rings: red 0, green 192, blue 0.
inline const QColor FinishGreen = QColor(0, 192, 0);

// A bearing label of the plot: opaque, sized to its text, painted above the plot
// and below the window's controls.
struct BearingLabel
{
    QRect rect;
    QString text;
    bool visible = false;
};

} // namespace trevanto
