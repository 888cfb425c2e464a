#include "courseplot.h"

#include "common/numbers.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace trevanto {

namespace {

// Reads the legs' texts: under the locale, or else with the other decimal separator,
// as another locale writes them.
class LegReader
{
public:
    explicit LegReader(const QLocale &locale)
        : m_reader(locale)
        , m_other(NumberReader::withOtherDecimal(locale))
    {
    }
    std::optional<float> bearing(const QString &text) const
    {
        const auto value = m_reader.readSingle(text);
        return value ? value : m_other.readSingle(text);
    }
    // The distance as the whole number the plot takes.
    std::optional<std::int32_t> distance(const QString &text) const
    {
        auto value = m_reader.readNumber(text);
        if (!value)
            value = m_other.readNumber(text);
        return value ? toInt32(*value) : std::nullopt;
    }

private:
    NumberReader m_reader;
    NumberReader m_other;
};

} // namespace

CoursePlot plotCourse(PlotPoint start, const QStringList &distances, const QStringList &bearings,
                      QStringView scaleText, const QLocale &locale)
{
    CoursePlot plot;
    const auto scale = readNumberAnyDecimal(scaleText, locale);
    if (!scale)
        return plot;
    const LegReader read(locale);
    const qsizetype count = std::min(distances.size(), bearings.size());
    plot.legs.reserve(std::size_t(count));
    PlotPoint pen = start;
    for (qsizetype i = 0; i < count; ++i) {
        const auto bearing = read.bearing(bearings.at(i));
        const auto whole = read.distance(distances.at(i));
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

std::vector<qsizetype> unreadLegs(const QStringList &distances, const QStringList &bearings, const QLocale &locale)
{
    const LegReader read(locale);
    std::vector<qsizetype> unread;
    const qsizetype count = std::min(distances.size(), bearings.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (!read.bearing(bearings.at(i)) || !read.distance(distances.at(i)))
            unread.push_back(i);
    }
    return unread;
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
