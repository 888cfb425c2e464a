#include "raster.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

namespace trevanto {

namespace {

// The rings of the course around their centre, row by row from the top: '#' is a
// pixel of the ring. Radius 0 is the centre pixel alone.
constexpr std::array<std::array<const char *, 11>, 6> RingRows = {{
    {"#"},
    {".#.",
     "#.#",
     ".#."},
    {".###.",
     "#...#",
     "#...#",
     "#...#",
     ".###."},
    {"..###..",
     ".#...#.",
     "#.....#",
     "#.....#",
     "#.....#",
     ".#...#.",
     "..###.."},
    {"...###...",
     "..#...#..",
     ".#.....#.",
     "#.......#",
     "#.......#",
     "#.......#",
     ".#.....#.",
     "..#...#..",
     "...###..."},
    {"...#####...",
     "..#.....#..",
     ".#.......#.",
     "#.........#",
     "#.........#",
     "#.........#",
     "#.........#",
     "#.........#",
     ".#.......#.",
     "..#.....#..",
     "...#####..."},
}};

struct Offset
{
    int dx;
    int dy;
};

// The pixels of each ring as offsets from its centre.
const std::array<std::vector<Offset>, 6> &rings()
{
    static const std::array<std::vector<Offset>, 6> table = [] {
        std::array<std::vector<Offset>, 6> offsets;
        for (int radius = 0; radius < 6; ++radius) {
            for (int row = 0; row <= 2 * radius; ++row) {
                for (int column = 0; column <= 2 * radius; ++column) {
                    if (RingRows[radius][row][column] == '#')
                        offsets[radius].push_back({column - radius, row - radius});
                }
            }
        }
        return offsets;
    }();
    return table;
}

struct Division
{
    std::int64_t quotient;
    std::int64_t remainder; // 0 <= remainder < divisor
};

Division floorDivide(std::int64_t numerator, std::int64_t divisor)
{
    Division result{numerator / divisor, numerator % divisor};
    if (result.remainder < 0) {
        result.remainder += divisor;
        --result.quotient;
    }
    return result;
}

// floor((a * b + c) / d) for d > 0, |a| and d below 2^34, 0 <= b below 2^33 and |c|
// below 2^34, exact in 64 bits: b is taken in two halves so that no product overflows.
Division mulDivide(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d)
{
    const std::int64_t high = b >> 16;
    const std::int64_t low = b & 0xFFFF;
    const Division first = floorDivide(a * high, d);
    const Division second = floorDivide(first.remainder * 65536 + a * low + c, d);
    return {first.quotient * 65536 + second.quotient, second.remainder};
}

// A premultiplied colour laid over a pixel at `alpha` (0 to 256): each channel is the
// colour's share plus what shows through.
inline quint32 over(quint32 pixel, quint32 colour, int alpha)
{
    const quint32 rb = (((colour & 0xFF00FF) * alpha + (pixel & 0xFF00FF) * (256 - alpha)) >> 8) & 0xFF00FF;
    const quint32 ag = ((((colour >> 8) & 0xFF00FF) * alpha + ((pixel >> 8) & 0xFF00FF) * (256 - alpha)) >> 8) & 0xFF00FF;
    return rb | (ag << 8);
}

} // namespace

Raster::Raster(QImage &image)
    : m_ratio(image.devicePixelRatio())
    , m_unit(m_ratio == 1.0)
    , m_deviceWidth(image.width())
    , m_deviceHeight(image.height())
    , m_width(int(image.width() / m_ratio))
    , m_height(int(image.height() / m_ratio))
    , m_stride(image.bytesPerLine())
    , m_bits(image.isNull() ? nullptr : image.bits())
{
    if (!m_unit) {
        m_edgesX = edges(m_width, m_deviceWidth);
        m_edgesY = edges(m_height, m_deviceHeight);
    }
}

void Raster::put(std::int64_t x, std::int64_t y, quint32 colour)
{
    if (quint64(x) >= quint64(m_width) || quint64(y) >= quint64(m_height))
        return;
    if (m_unit) {
        row(int(y))[x] = colour;
        return;
    }
    for (int deviceY = m_edgesY[y]; deviceY < m_edgesY[y + 1]; ++deviceY)
        std::fill(row(deviceY) + m_edgesX[x], row(deviceY) + m_edgesX[x + 1], colour);
}

void Raster::fill(const QRect &area, quint32 colour)
{
    const QRect inside = area & bounds();
    if (inside.isEmpty())
        return;
    const int left = device(inside.left());
    const int right = device(inside.right() + 1);
    for (int y = device(inside.top()); y < device(inside.bottom() + 1); ++y)
        std::fill(row(y) + left, row(y) + right, colour);
}

void Raster::line(PlotPoint from, PlotPoint to, quint32 colour)
{
    const std::int64_t dx = std::int64_t(to.x) - from.x;
    const std::int64_t dy = std::int64_t(to.y) - from.y;
    if (std::abs(dx) >= std::abs(dy))
        run(from.x, from.y, to.x, to.y, m_width, colour, false);
    else
        run(from.y, from.x, to.y, to.x, m_height, colour, true);
}

void Raster::ring(PlotPoint centre, int radius, quint32 colour)
{
    for (const Offset offset : rings()[std::size_t(radius)])
        put(std::int64_t(centre.x) + offset.dx, std::int64_t(centre.y) + offset.dy, colour);
}

void Raster::blit(const QRect &area, const QImage &picture)
{
    const int left = device(area.left());
    const int top = device(area.top());
    const int width = std::min(picture.width(), device(area.right() + 1) - left);
    const int height = std::min(picture.height(), device(area.bottom() + 1) - top);
    const int fromX = std::max(0, -left);
    const int toX = std::min(width, m_deviceWidth - left);
    if (fromX >= toX)
        return;
    const std::size_t bytes = std::size_t(toX - fromX) * sizeof(quint32);
    for (int y = std::max(0, -top); y < std::min(height, m_deviceHeight - top); ++y) {
        const auto *source = reinterpret_cast<const quint32 *>(picture.constScanLine(y));
        std::memcpy(row(top + y) + left + fromX, source + fromX, bytes);
    }
}

void Raster::blend(int deviceX, int deviceY, quint32 colour, int alpha)
{
    quint32 &pixel = row(deviceY)[deviceX];
    pixel = over(pixel, colour, alpha);
}

void Raster::smoothLine(PlotPoint from, PlotPoint to, quint32 colour)
{
    // In device pixels, through the centres of the window pixels.
    double x0 = (from.x + 0.5) * m_ratio, y0 = (from.y + 0.5) * m_ratio;
    double x1 = (to.x + 0.5) * m_ratio, y1 = (to.y + 0.5) * m_ratio;
    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const double along = x1 - x0;
    if (along == 0)
        return; // a point: the ring at the leg's end covers it
    const double slope = (y1 - y0) / along;
    const int majorExtent = steep ? m_deviceHeight : m_deviceWidth;
    const int minorExtent = steep ? m_deviceWidth : m_deviceHeight;
    // Columns whose centre lies on the line, its square ends half its width beyond.
    const double first = std::max(std::ceil(x0 - m_ratio / 2 - 0.5), 0.0);
    const double last = std::min(std::floor(x1 + m_ratio / 2 - 0.5), double(majorExtent) - 1);
    if (first > last)
        return;
    // Fixed point, 16 bits below the device pixel. A line m_ratio device pixels wide
    // crosses each column over the same length: every column takes the same ink.
    constexpr double One = 65536;
    const std::int64_t half = std::llround(m_ratio * std::sqrt(1 + slope * slope) * One / 2);
    const std::int64_t step = std::llround(slope * One);
    std::int64_t centre = std::llround((y0 + (first + 0.5 - x0) * slope) * One);
    const std::int64_t end = std::int64_t(minorExtent) << 16;
    const qsizetype pixelsPerLine = m_stride / qsizetype(sizeof(quint32));
    for (int column = int(first); column <= int(last); ++column, centre += step) {
        const std::int64_t top = std::max<std::int64_t>(centre - half, 0);
        const std::int64_t bottom = std::min(centre + half, end);
        if (top >= bottom)
            continue;
        const int firstRow = int(top >> 16);
        const int lastRow = int((bottom - 1) >> 16);
        quint32 *const base = reinterpret_cast<quint32 *>(m_bits);
        const auto at = [&](int minor) -> quint32 & {
            return steep ? base[qsizetype(column) * pixelsPerLine + minor] : base[qsizetype(minor) * pixelsPerLine + column];
        };
        const auto lay = [&](quint32 &pixel, int alpha) { pixel = over(pixel, colour, alpha); };
        if (firstRow == lastRow) {
            lay(at(firstRow), int((bottom - top) >> 8));
            continue;
        }
        lay(at(firstRow), int(((std::int64_t(firstRow) + 1) * 65536 - top) >> 8));
        for (int minor = firstRow + 1; minor < lastRow; ++minor)
            at(minor) = colour;
        lay(at(lastRow), int((bottom - std::int64_t(lastRow) * 65536) >> 8));
    }
}

void Raster::smoothRing(PlotPoint centre, int radius, quint32 colour)
{
    // The ring's coverage depends only on where its centre falls within a device pixel:
    // painted once for each such place, and laid over the surface from then on.
    const double cx = (centre.x + 0.5) * m_ratio;
    const double cy = (centre.y + 0.5) * m_ratio;
    const double originX = std::floor(cx), originY = std::floor(cy);
    const int margin = int(std::ceil((radius + 1) * m_ratio)) + 1;
    const std::int64_t left = std::int64_t(originX) - margin, top = std::int64_t(originY) - margin;
    if (left + 2 * margin < 0 || top + 2 * margin < 0 || left >= m_deviceWidth || top >= m_deviceHeight)
        return;
    const auto key = std::make_tuple(m_ratio, radius, int((cx - originX) * 64), int((cy - originY) * 64));
    static std::map<std::tuple<qreal, int, int, int>, QImage> masks;
    auto found = masks.find(key);
    if (found == masks.end()) {
        QImage mask(2 * margin + 1, 2 * margin + 1, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(margin + cx - originX, margin + cy - originY);
        painter.scale(m_ratio, m_ratio);
        if (radius == 0) {
            painter.fillRect(QRectF(-0.5, -0.5, 1, 1), Qt::black);
        } else {
            painter.setPen(QPen(Qt::black, 1));
            painter.drawEllipse(QPointF(0, 0), radius, radius);
        }
        painter.end();
        found = masks.emplace(key, mask).first;
    }
    const QImage &mask = found->second;
    for (int y = 0; y < mask.height(); ++y) {
        if (top + y < 0 || top + y >= m_deviceHeight)
            continue;
        const auto *alphas = reinterpret_cast<const quint32 *>(mask.constScanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            const int alpha = int(qAlpha(alphas[x]));
            if (alpha > 0 && left + x >= 0 && left + x < m_deviceWidth)
                blend(int(left + x), int(top + y), colour, alpha + (alpha >> 7));
        }
    }
}

std::vector<int> Raster::edges(int count, int deviceCount) const
{
    std::vector<int> result(std::size_t(count) + 1);
    for (int i = 0; i <= count; ++i)
        result[std::size_t(i)] = std::min(int(std::floor(i * m_ratio)), deviceCount);
    return result;
}

int Raster::device(int v) const
{
    return m_unit ? v : int(std::floor(v * m_ratio));
}

// Draws along the major axis, from `major0` to `major1`, at every step the pixel the
// line passes through at that step's reading point; `transposed` when the major axis is
// y. Only the steps inside the image are visited.
void Raster::run(std::int64_t major0, std::int64_t minor0, std::int64_t major1, std::int64_t minor1, int extent,
                 quint32 colour, bool transposed)
{
    if (major1 < major0) {
        std::swap(major0, major1);
        std::swap(minor0, minor1);
    }
    const std::int64_t along = major1 - major0;
    const std::int64_t across = minor1 - minor0;
    const std::int64_t first = std::max<std::int64_t>(major0, 0);
    const std::int64_t last = std::min<std::int64_t>(major1, extent - 1);
    if (first > last)
        return;
    if (along == 0) {
        transposed ? put(minor0, major0, colour) : put(major0, minor0, colour);
        return;
    }
    // At step t the line is read at t + 1/2 when it climbs and at t otherwise: the
    // minor coordinate is minor0 + floor((2 * across * t + lift) / (2 * along)).
    const std::int64_t divisor = 2 * along;
    const std::int64_t lift = across > 0 ? across : 0;
    const Division start = mulDivide(2 * across, first - major0, lift, divisor);
    std::int64_t minor = minor0 + start.quotient;
    const std::int64_t lastMinor = minor0 + mulDivide(2 * across, last - major0, lift, divisor).quotient;
    const int minorExtent = transposed ? m_width : m_height;
    const bool inside = std::min(minor, lastMinor) >= 0 && std::max(minor, lastMinor) < minorExtent;
    if (m_unit && inside) {
        // The common case, a line within the image: straight through the scan
        // lines without a test per pixel. A line that heads towards smaller minor
        // coordinates counts its remainder from the other end, so both directions
        // step alike.
        const qsizetype pixelsPerLine = m_stride / qsizetype(sizeof(quint32));
        const qsizetype majorStep = transposed ? pixelsPerLine : 1;
        const qsizetype minorStep = (across < 0 ? -1 : 1) * (transposed ? 1 : pixelsPerLine);
        const std::int64_t increment = 2 * std::abs(across);
        std::int64_t remainder = across < 0 ? divisor - 1 - start.remainder : start.remainder;
        quint32 *pixel = transposed ? row(int(first)) + minor : row(int(minor)) + first;
        for (std::int64_t count = last - first + 1; count > 0; --count) {
            *pixel = colour;
            remainder += increment;
            const bool step = remainder >= divisor;
            remainder -= step ? divisor : 0;
            pixel += majorStep + (step ? minorStep : 0);
        }
        return;
    }
    std::int64_t remainder = start.remainder;
    for (std::int64_t major = first; major <= last; ++major) {
        transposed ? put(minor, major, colour) : put(major, minor, colour);
        remainder += 2 * across;
        if (remainder >= divisor) {
            remainder -= divisor;
            ++minor;
        } else if (remainder < 0) {
            remainder += divisor;
            --minor;
        }
    }
}

} // namespace trevanto
