// Feeds arbitrary bytes to the work-file reader under two locales, writes what it
// read and reads that again. Aborts when a promise of the format is broken.

#include "course/legrules.h"
#include "workfile/workfile.h"

#include <QByteArray>
#include <QLocale>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace trevanto;

namespace {

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "work-file fuzz check failed: %s\n", what);
        std::abort();
    }
}

bool holdsLineBreakOrSeparator(const QString &text, bool separatorToo)
{
    return text.contains(u'\r') || text.contains(u'\n') || (separatorToo && text.contains(u';'));
}

// What the reader makes of a whole number after it went through a float and the
// writer: the float's value when it is still a 32-bit whole number, else nothing.
std::optional<std::int32_t> throughFloat(const std::optional<std::int32_t> &value)
{
    const float asFloat = value ? float(*value) : 0.0f;
    if (asFloat >= -2147483648.0f && asFloat < 2147483648.0f)
        return std::int32_t(asFloat);
    return std::nullopt;
}

void checkContent(const WorkFileContent &content)
{
    require(content.distances.size() <= MaxLegs, "DIR list longer than MaxLegs");
    require(content.bearings.size() <= MaxLegs, "MET list longer than MaxLegs");
    require(!content.truncated || content.distances.size() == MaxLegs || content.bearings.size() == MaxLegs,
            "truncated without a full list");
    for (const QString &item : content.distances)
        require(!holdsLineBreakOrSeparator(item, true), "DIR item holds ';' or a line end");
    for (const QString &item : content.bearings)
        require(!holdsLineBreakOrSeparator(item, true), "MET item holds ';' or a line end");
    if (content.scale)
        require(!holdsLineBreakOrSeparator(*content.scale, false), "scale holds a line end");
}

void checkRoundTrip(const WorkFileContent &content, const QLocale &locale)
{
    WorkFileState state;
    state.distances = content.distances;
    state.bearings = content.bearings;
    state.width = content.width ? float(*content.width) : 0.0f;
    state.height = content.height ? float(*content.height) : 0.0f;
    state.scale = content.scale.value_or(QString());
    state.markerLeft = content.markerLeft ? float(*content.markerLeft) : 0.0f;
    state.markerTop = content.markerTop ? float(*content.markerTop) : 0.0f;

    const QByteArray written = formatWorkFile(state, locale);
    require(written.endsWith("\r\n"), "written file does not end with CR LF");
    require(written.count('\n') == 7, "written file is not seven lines");

    // Items read from a file hold no ';' or line end, so they survive being written and
    // read again unchanged, whatever characters they hold; so does the scale. What
    // the writer writes reads whole, unless a number has no 32-bit whole value.
    const WorkFileContent again = parseWorkFile(written, locale);
    const auto fits = [](const std::optional<std::int32_t> &value) { return !value || throughFloat(value) == value; };
    const bool numbersFit = fits(content.width) && fits(content.height) && fits(content.markerLeft)
                            && fits(content.markerTop);
    require(!numbersFit || !again.partial, "what the writer wrote did not read whole");
    require(again.distances == content.distances, "DIR items changed on a round trip");
    require(again.bearings == content.bearings, "MET items changed on a round trip");
    require(again.scale == state.scale, "scale changed on a round trip");
    require(!again.truncated, "round trip truncated");
    require(again.width == throughFloat(content.width), "width changed on a round trip");
    require(again.height == throughFloat(content.height), "height changed on a round trip");
    require(again.markerLeft == throughFloat(content.markerLeft), "left changed on a round trip");
    require(again.markerTop == throughFloat(content.markerTop), "top changed on a round trip");
}

// Any float the window could report: written, it reads back as a whole number
// near it, or not at all when it is out of range or not finite.
void checkNumber(float value, const QLocale &locale)
{
    WorkFileState state;
    state.markerTop = value;
    const WorkFileContent back = parseWorkFile(formatWorkFile(state, locale), locale);
    const double v = value;
    if (!std::isfinite(v) || v <= -2147483649.0 || v >= 2147483648.0)
        return;
    if (v == std::trunc(v) && v >= -2147483648.0 && v < 2147483648.0) {
        require(back.markerTop == std::int32_t(v), "whole number changed on a round trip");
        return;
    }
    if (back.markerTop)
        require(std::fabs(double(*back.markerTop) - v) <= 1.0, "number came back more than 1 away");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::Portuguese, QLocale::Brazil)};
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    WorkFileContent first;
    bool haveFirst = false;
    for (const QLocale &locale : locales) {
        const WorkFileContent content = parseWorkFile(bytes, locale);
        checkContent(content);
        // Only numbers follow the locale: the lists and the scale read the same.
        if (haveFirst) {
            require(content.distances == first.distances && content.bearings == first.bearings
                        && content.scale == first.scale && content.truncated == first.truncated,
                    "lists or scale depend on the locale");
        } else {
            first = content;
            haveFirst = true;
        }
        checkRoundTrip(content, locale);

        if (size >= sizeof(float)) {
            float value;
            std::memcpy(&value, data, sizeof value);
            checkNumber(value, locale);
        }
    }
    return 0;
}
