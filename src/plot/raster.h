#pragma once

#include "plot/geometry.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

namespace trevanto {

// Writes window pixels into an image's scan lines: the plot's one-pixel lines and its
// rings, as the painter's own unsmoothed one-pixel lines and circles take them (a line
// in exact arithmetic, so it always covers both its end points), and copies of label
// pictures. At a density of one a window pixel is one device pixel; otherwise it is the
// block from floor(x * ratio) up to floor((x + 1) * ratio). Pixels outside the image
// are left out.
class Raster
{
public:
    explicit Raster(QImage &image);

    QRect bounds() const { return QRect(0, 0, m_width, m_height); }

    void put(std::int64_t x, std::int64_t y, quint32 colour);
    void fill(const QRect &area, quint32 colour);

    // A one-pixel line between two points: one pixel in each column it crosses (each
    // row, for a steep line), the pixel the ideal line passes through at the column's
    // middle when it climbs towards larger coordinates and at the column's leading
    // edge otherwise, whichever way the line is drawn.
    void line(PlotPoint from, PlotPoint to, quint32 colour);

    // The one-pixel circle of radius 0 to 5 around a centre.
    void ring(PlotPoint centre, int radius, quint32 colour);

    // At a density that is no whole number, where a window pixel widened to whole device
    // pixels would be one device pixel here and two there: the same line, through the
    // same pixel centres, one window pixel wide and smoothed at the device's resolution,
    // so that every device column (row, for a steep line) along it takes the same ink.
    void smoothLine(PlotPoint from, PlotPoint to, quint32 colour);
    // The ring as a smoothed circle of the same radius at the device's resolution.
    void smoothRing(PlotPoint centre, int radius, quint32 colour);

    // Copies a picture rendered at the surface's density into the window rectangle
    // `area`, no further than the device pixels of that rectangle.
    void blit(const QRect &area, const QImage &picture);

private:
    std::vector<int> edges(int count, int deviceCount) const;
    // Lays `colour` over the device pixel at `alpha` (0 to 256).
    void blend(int deviceX, int deviceY, quint32 colour, int alpha);
    quint32 *row(int deviceY) { return reinterpret_cast<quint32 *>(m_bits + qsizetype(deviceY) * m_stride); }
    // The device pixel where window coordinate v begins, for any v near the window.
    int device(int v) const;
    void run(std::int64_t major0, std::int64_t minor0, std::int64_t major1, std::int64_t minor1, int extent,
             quint32 colour, bool transposed);

    qreal m_ratio;
    bool m_unit;
    int m_deviceWidth;
    int m_deviceHeight;
    int m_width;  // window pixels
    int m_height; // window pixels
    qsizetype m_stride;
    uchar *m_bits;
    std::vector<int> m_edgesX; // device column where window column i begins, up to m_width
    std::vector<int> m_edgesY;
};

} // namespace trevanto
