// Feeds arbitrary bytes to the work-file reader under two locales, with the start's own
// checks, writes what it read and reads that again; writes a scale of arbitrary text.
// Aborts when a promise of the format is broken, or when the start would refuse, or
// keep as only partly read, a file the writer wrote.

#include "course/legrules.h"
#include "workfile/workfile.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

const QString Path = QStringLiteral("trevanto.ini");

// The start reads what the writer wrote as it was written, whole: nothing refused,
// passed over or said.
WorkFileContent loadWritten(const QByteArray &written, const QLocale &locale, bool numbersFit = true)
{
    const WorkFileLoad load = readWorkFile(written, locale, Path);
    require(load.status == LoadStatus::Loaded, "the start refused what the writer wrote");
    require(!numbersFit || (!load.keepBackup && load.message.isEmpty()), "what the writer wrote did not read whole");
    return load.content;
}

void checkContent(const WorkFileContent &content)
{
    require(content.distances.size() == content.bearings.size(), "DIR and MET loaded with different lengths");
    require(!content.scale || content.scale->size() <= MaxScaleLength, "scale longer than the scale box");
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
    const auto fits = [](const std::optional<std::int32_t> &value) { return !value || throughFloat(value) == value; };
    const bool numbersFit = fits(content.width) && fits(content.height) && fits(content.markerLeft)
                            && fits(content.markerTop);
    const WorkFileContent again = loadWritten(written, locale, numbersFit);
    require(again.distances == content.distances, "DIR items changed on a round trip");
    require(again.bearings == content.bearings, "MET items changed on a round trip");
    require(again.scale == state.scale, "scale changed on a round trip");
    require(!again.truncated, "round trip truncated");
    require(again.width == throughFloat(content.width), "width changed on a round trip");
    require(again.height == throughFloat(content.height), "height changed on a round trip");
    require(again.markerLeft == throughFloat(content.markerLeft), "left changed on a round trip");
    require(again.markerTop == throughFloat(content.markerTop), "top changed on a round trip");
}

// Any text in the scale box: what the writer writes of it loads whole, as it was, but
// for a NUL or a line end, which come back as spaces, and a lone surrogate, which UTF-8
// cannot hold and comes back as one other character.
void checkScale(const QString &scale, const QLocale &locale)
{
    WorkFileState state;
    state.scale = scale;
    const WorkFileContent back = loadWritten(formatWorkFile(state, locale), locale);
    require(back.scale && back.scale->size() == scale.size(), "scale of another length on a round trip");
    for (qsizetype i = 0; i < scale.size(); ++i) {
        const QChar c = scale[i];
        const bool spaced = c == u'\0' || c == u'\r' || c == u'\n';
        require(c.isSurrogate() || back.scale->at(i) == (spaced ? QChar(u' ') : c), "scale changed on a round trip");
    }
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

    // The input as texts of the scale box: Latin-1, and UTF-16 (up to the box's length).
    std::u16string units(std::min<std::size_t>(size / 2, MaxScaleLength), u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    const QString scales[] = {QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), MaxScaleLength))),
                              QString::fromStdU16String(units)};

    WorkFileContent first;
    bool haveFirst = false;
    for (const QLocale &locale : locales) {
        for (const QString &scale : scales)
            checkScale(scale, locale);
        const WorkFileLoad load = readWorkFile(bytes, locale, Path);
        require(load.status != LoadStatus::NotAFile && load.status != LoadStatus::Missing, "bytes are not a file");
        if (load.status == LoadStatus::Refused) {
            require(bytes.contains('\0') || bytes.size() > MaxWorkFileSize, "refused without a NUL or its size");
            continue;
        }
        const WorkFileContent &content = load.content;
        require(load.keepBackup == (content.partial || content.truncated || !load.message.isEmpty()),
                "kept as .bak without being partly read, or the other way round");
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
