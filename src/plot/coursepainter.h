#pragma once

#include "plot/courseplot.h"
#include "plot/labelpictures.h"

#include <QColor>
#include <QRect>

#include <span>
#include <vector>

class QPainter;

namespace trevanto {

// What a course is drawn on: the window's drawing surface, or a page.
class CourseCanvas
{
public:
    virtual ~CourseCanvas() = default;
    // A black line one window pixel wide that covers both its end points.
    virtual void line(PlotPoint from, PlotPoint to) = 0;
    // The outline, one window pixel wide, of a circle of radius 0 to 5.
    virtual void ring(PlotPoint centre, int radius, const QColor &colour) = 0;
};

// Draws the lines and circles of the course, leg by leg: its line, then a turning-point
// circle (radius 3, black) at its end, or after the last drawn leg the finish target
// (radius 5 black, then 4 to 0 green over the line's end). The screen and the page
// draw the same course through it.
void drawCourse(const CoursePlot &plot, CourseCanvas &canvas);

// Returns, in drawing order, the visible labels of which some part shows within the
// window rectangle `within`: each label is painted opaque over those before it, so one
// that the later ones cover wholly shows nothing. A course that turns in a small space
// stacks hundreds of labels on one another.
std::vector<qsizetype> labelsInSight(std::span<const BearingLabel> labels, const QRect &within);

// Paints the part of the course within the window rectangle `within` on a painter whose
// units are window pixels, at whatever resolution its device has: the lines and circles
// as shapes, then each bearing label in sight as text on its own background, where the
// window shows it.
void paintCourse(QPainter &painter, const CoursePlot &plot, std::span<const BearingLabel> labels,
                 const LabelLook &look, const QRect &within);

} // namespace trevanto
