#include "geometry.h"

#include "common/numbers.h"

#include <cfloat>
#include <cmath>
#include <limits>

// Every step of the plot's arithmetic is rounded to its own type; excess precision
// (x87) would keep extra bits and move end points by a pixel.
static_assert(FLT_EVAL_METHOD == 0, "floating-point expressions must be evaluated in their own type");

namespace trevanto {

namespace {

std::optional<std::int32_t> checkedSum(std::int32_t a, std::int32_t b)
{
    const std::int64_t sum = std::int64_t(a) + std::int64_t(b);
    if (sum < std::numeric_limits<std::int32_t>::min() || sum > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return std::int32_t(sum);
}

} // namespace

double grau(float bearing)
{
    // The quarter turn is taken off in single precision, the rest in double.
    const float quarter = 90.0f;
    const float a = bearing - quarter;
    const double product = double(a) * HalfTurn;
    return product / 180.0;
}

std::optional<PlotPoint> penStart(float markerLeft, float markerTop)
{
    const float offset = 5.0f;
    const auto x = toInt32(double(markerLeft + offset));
    const auto y = toInt32(double(markerTop + offset));
    if (!x || !y)
        return std::nullopt;
    return PlotPoint{*x, *y};
}

std::optional<PlotPoint> legEndPointFromValues(PlotPoint pen, std::int32_t distance, double scale, double angle)
{
    // An angle that is not finite makes the end point not a number, which no whole
    // number takes: it is refused below.
    if (!(scale != 0.0) || !std::isfinite(scale))
        return std::nullopt;
    double t = 1.0 / scale;
    t = t * 10.0;
    // A scale so close to zero that its reciprocal overflows cannot be plotted.
    if (!std::isfinite(t) || t == 0.0)
        return std::nullopt;
    const double length = double(distance) / t;
    // Product first, then the sum: no fused multiply-add (built with -ffp-contract=off).
    const double cosTerm = length * std::cos(angle);
    const double sinTerm = length * std::sin(angle);
    const double x = cosTerm + double(pen.x);
    const double y = sinTerm + double(pen.y);
    const auto endX = toInt32(x);
    const auto endY = toInt32(y);
    if (!endX || !endY)
        return std::nullopt;
    return PlotPoint{*endX, *endY};
}

std::optional<PlotPoint> labelCorner(PlotPoint pen, PlotPoint end)
{
    std::int32_t dx = 5;
    std::int32_t dy = 5;
    if (pen.x < end.x && pen.y < end.y) {
        dx = -20;
        dy = -20;
    } else if (pen.x > end.x && pen.y < end.y) {
        dy = -20;
    } else if (pen.x < end.x && pen.y > end.y) {
        dx = -20;
    }
    const auto left = checkedSum(pen.x, dx);
    const auto top = checkedSum(pen.y, dy);
    if (!left || !top)
        return std::nullopt;
    return PlotPoint{*left, *top};
}

QPoint markerInReach(QPoint marker, QSize markerSize, QSize inside)
{
    const auto within = [](int at, int size, int length) { return std::max(0, std::min(at, length - size)); };
    return QPoint(within(marker.x(), markerSize.width(), inside.width()),
                  within(marker.y(), markerSize.height(), inside.height()));
}

} // namespace trevanto
