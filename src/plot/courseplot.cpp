#include "courseplot.h"

#include "common/numbers.h"

#include <algorithm>

namespace trevanto {

CoursePlot plotCourse(PlotPoint start, const QStringList &distances, const QStringList &bearings,
                      QStringView scaleText, const QLocale &locale)
{
    CoursePlot plot;
    const auto scale = readNumber(scaleText, locale);
    if (!scale)
        return plot;
    const NumberReader reader(locale);
    // A leg text that does not read under the locale may come from another one.
    const NumberReader other = NumberReader::withOtherDecimal(locale);
    const auto readBearing = [&](const QString &text) {
        const auto value = reader.readSingle(text);
        return value ? value : other.readSingle(text);
    };
    const auto readDistance = [&](const QString &text) {
        const auto value = reader.readNumber(text);
        return value ? value : other.readNumber(text);
    };
    const qsizetype count = std::min(distances.size(), bearings.size());
    plot.legs.reserve(std::size_t(count));
    PlotPoint pen = start;
    for (qsizetype i = 0; i < count; ++i) {
        const auto bearing = readBearing(bearings.at(i));
        const auto distance = readDistance(distances.at(i));
        const auto whole = distance ? toInt32(*distance) : std::nullopt;
        const auto end = bearing && whole ? legEndPointFromValues(pen, *whole, *scale, grau(*bearing)) : std::nullopt;
        const auto corner = end ? labelCorner(pen, *end) : std::nullopt;
        if (!bearing || !whole)
            plot.unread.push_back(i);
        if (!corner) {
            plot.legs.push_back(PlotLeg{pen, pen, pen, false});
            continue;
        }
        plot.legs.push_back(PlotLeg{pen, *end, *corner});
        pen = *end;
    }
    return plot;
}

qsizetype lastDrawnLeg(const CoursePlot &plot)
{
    for (qsizetype i = qsizetype(plot.legs.size()) - 1; i >= 0; --i) {
        if (plot.legs[std::size_t(i)].drawn)
            return i;
    }
    return -1;
}

QString unreadLegsMessage(const std::vector<qsizetype> &unread)
{
    if (unread.empty())
        return QString();
    // A list the user can read: the first ones, and how many more.
    constexpr std::size_t Listed = 10;
    QStringList numbers;
    for (std::size_t i = 0; i < std::min(unread.size(), Listed); ++i)
        numbers << QString::number(unread[i] + 1);
    if (unread.size() == 1)
        return QStringLiteral("O trecho %1 do arquivo de trabalho não pôde ser lido e ficou fora do desenho.")
                .arg(numbers.first());
    QString list;
    if (unread.size() > Listed) {
        list = numbers.join(QStringLiteral(", ")) + QStringLiteral(" e mais %1").arg(unread.size() - Listed);
    } else {
        const QString last = numbers.takeLast();
        list = numbers.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
    }
    return QStringLiteral("Os trechos %1 do arquivo de trabalho não puderam ser lidos e ficaram fora do desenho.")
            .arg(list);
}

} // namespace trevanto
