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
// corner of its bearing label. A leg that cannot be drawn is left out of the drawing:
// its line, its circle and its label; the next leg starts where it would have.
struct PlotLeg
{
    PlotPoint from;
    PlotPoint to;
    PlotPoint labelCorner;
    bool drawn = true;
};

// The legs of one redraw, in course order, one for each leg both lists hold: each
// starts where the last drawn one before it ends.
struct CoursePlot
{
    std::vector<PlotLeg> legs;
    // The legs (from 0) whose texts read as numbers in no way, which only a work file
    // written elsewhere or edited can hold.
    std::vector<qsizetype> unread;
};

// Returns the course drawn from `start`: leg i joins the distance distances[i] and the
// bearing bearings[i], at the scale `scaleText`. A leg text that does not read under
// the locale is read with the other decimal separator, as another locale writes it
// ("12,5" under English, "12.5" under Portuguese); a leg that reads in no way, or whose
// point lies outside 32 bits, is left out.
CoursePlot plotCourse(PlotPoint start, const QStringList &distances, const QStringList &bearings,
                      QStringView scaleText, const QLocale &locale);

// The legs (from 0) whose texts read as numbers in no way, as plotCourse() lists them,
// whatever the scale.
std::vector<qsizetype> unreadLegs(const QStringList &distances, const QStringList &bearings, const QLocale &locale);

// The index of the last drawn leg, or -1 when none is drawn.
qsizetype lastDrawnLeg(const CoursePlot &plot);

// What the start-up says of legs that could not be read (numbered from 0), in
// Portuguese, numbered from 1 as the user counts them; empty when there are none.
QString unreadLegsMessage(const std::vector<qsizetype> &unread);

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
