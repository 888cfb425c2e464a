#pragma once

#include <QPoint>
#include <QSize>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace trevanto {

// A point of the main window's drawing surface, in pixels from its top-left corner.
struct PlotPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PlotPoint &, const PlotPoint &) = default;
};

// Widget and image coordinates are ints. A place further from the window than this is
// off every screen, and keeping well inside int leaves room for width arithmetic.
inline constexpr int FarOut = 1 << 24;

// Returns the coordinate brought to within FarOut of the window.
inline int nearWindow(std::int64_t coordinate)
{
    return int(std::clamp<std::int64_t>(coordinate, -FarOut, FarOut));
}

// The half-turn in radians as the plot has always used it: a few units in the
// 15th digit short of pi. Bearings 0, 90, 180 and 270 depend on it.
inline constexpr double HalfTurn = 3.14159265358979;

// Returns a leg's plot angle in radians, clockwise from the +x axis (bearing 0 points
// up the window), from its bearing read as a single-precision number.
double grau(float bearing);

// Returns the first pen position of a redraw: the start marker's Left and Top plus
// 5, each to the nearest whole number (halves to even). Nothing outside 32 bits.
std::optional<PlotPoint> penStart(float markerLeft, float markerTop);

// Returns where a leg that starts at `pen` ends: the distance, a 32-bit whole number,
// over ((1 / scale) * 10), in exactly that order, every step in double precision, then
// along the angle. Nothing when the scale is zero or not finite, or the end point
// leaves the 32-bit range.
std::optional<PlotPoint> legEndPointFromValues(PlotPoint pen, std::int32_t distance, double scale,
                                               double angle);

// Returns the top-left corner of the leg's bearing label, placed on the side of the
// leg's start away from the direction the leg heads. Nothing when the corner would
// leave the 32-bit range.
std::optional<PlotPoint> labelCorner(PlotPoint pen, PlotPoint end);

// Returns the start marker's place brought just inside a window's inside of `inside`
// pixels when the marker lies outside it, wholly or in part; else its place as it is.
// The course hangs from the marker, so it comes along.
QPoint markerInReach(QPoint marker, QSize markerSize, QSize inside);

} // namespace trevanto
