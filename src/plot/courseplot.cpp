#include "courseplot.h"

#include "common/numbers.h"

namespace trevanto {

CoursePlot plotCourse(PlotPoint start, const QStringList &distances, const QStringList &bearings,
                      QStringView scaleText, const QLocale &locale)
{
    CoursePlot plot;
    const auto scale = readNumber(scaleText, locale);
    if (!scale)
        return plot;
    const NumberReader reader(locale);
    const qsizetype count = std::min(distances.size(), bearings.size());
    plot.legs.reserve(std::size_t(count));
    PlotPoint pen = start;
    for (qsizetype i = 0; i < count; ++i) {
        const auto bearing = reader.readSingle(bearings.at(i));
        const auto distance = reader.readNumber(distances.at(i));
        const auto whole = distance ? toInt32(*distance) : std::nullopt;
        if (!bearing || !whole)
            break;
        const auto end = legEndPointFromValues(pen, *whole, *scale, grau(*bearing));
        const auto corner = end ? labelCorner(pen, *end) : std::nullopt;
        if (!corner)
            break;
        plot.legs.push_back(PlotLeg{pen, *end, *corner});
        pen = *end;
    }
    return plot;
}

} // namespace trevanto
