#pragma once

#include "plot/courseplot.h"
#include "plot/labelpictures.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QStringList>

#include <optional>
#include <span>

namespace trevanto {

// The persistent drawing surface of the main window: an image of the client area that
// the window repaints itself from, and that only draw() changes. It remembers what its
// last drawing covered, so the next one wipes just that, and keeps the pictures of the
// bearing label texts it has drawn, since a course repeats few bearings.
//
// Lines and circles are written straight into the image's scan lines, one window pixel
// wide and not smoothed, with the pixels the painter's own one-pixel lines and circles
// take (a line in exact arithmetic, so it always covers both its end points). At a
// whole screen density above one every window pixel becomes the block of device pixels
// it covers; at any other (125 %, 150 % …) the same shapes are drawn smoothed at the
// device's resolution, since blocks of one and two device pixels would bead them.
class PlotSurface
{
public:
    // Makes the surface cover at least `size` window pixels at `ratio` device pixels to
    // each, keeping what it holds; new parts are `background`. Returns whether the image
    // was made anew (the window then repaints).
    bool cover(QSize size, qreal ratio, QColor background);

    // Wipes what the last drawing painted and draws the course: leg by leg its line,
    // then a turning-point circle (radius 3, black) at its end, or after the last leg
    // the finish target (radius 5 black, then 4 to 0 green over the line's end), and
    // then, above all of it, each leg's bearing label with `texts[i]` at the leg's
    // label corner. labels[i] becomes leg i's label; there must be one per leg.
    // Returns the part of the window that changed.
    QRect draw(const CoursePlot &plot, const QStringList &texts, const LabelLook &look,
               std::span<BearingLabel> labels);

    // Paints the window rectangle `dirty` of the surface where it belongs on a window; a
    // part beyond the surface is the background.
    void paint(QPainter &painter, const QRect &dirty) const;

    const QImage &image() const { return m_image; }

private:
    QImage m_image;
    QColor m_background;
    QRect m_drawnArea; // window pixels the last drawing painted on
    std::optional<LabelPictures> m_pictures;
};

} // namespace trevanto
