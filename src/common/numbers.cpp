#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace trevanto {

namespace {

// The text without the characters `drop` takes at either end.
template<typename Drop>
QStringView trimmed(QStringView text, Drop drop)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && drop(text[begin]))
        ++begin;
    while (end > begin && drop(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The number reader lets blanks stand around a number.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The value of a text of one to seven digits, the usual leg text: it is exact in single
// and double precision alike, so it needs no rounding. Nothing for any other text.
std::optional<std::int32_t> plainWholeNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 7)
        return std::nullopt;
    std::int32_t value = 0;
    for (const QChar character : text) {
        const char16_t c = character.unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// A control character (NUL, a tab, a line end, DEL, the C1 controls) or a line or
// paragraph separator.
bool isControlOrLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

template<typename Int>
std::optional<Int> toWhole(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = roundHalfEven(value);
    if (whole < double(std::numeric_limits<Int>::min()) || whole > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(whole);
}

} // namespace

NumberReader::NumberReader(const QLocale &locale)
    : m_decimal(locale.decimalPoint())
    , m_minus(locale.negativeSign())
    , m_plus(locale.positiveSign())
{
}

NumberReader NumberReader::withOtherDecimal(const QLocale &locale)
{
    NumberReader reader(locale);
    reader.m_decimal = reader.m_decimal == QStringLiteral(".") ? QStringLiteral(",") : QStringLiteral(".");
    return reader;
}

// Copies the number in `body`, a text without blanks at its ends, into `out` as plain
// ASCII ("-123.45") for std::from_chars, which is locale-independent and rounds
// correctly. Returns false when the text is not one number under the locale's
// conventions.
bool NumberReader::toAscii(QStringView body, std::string &out) const
{
    const qsizetype end = body.size();
    out.clear();
    out.reserve(std::size_t(end) + 1);
    qsizetype i = 0;
    if (!m_minus.isEmpty() && body.startsWith(m_minus)) {
        out.push_back('-');
        i += m_minus.size();
    } else if (body.startsWith(u'-')) {
        out.push_back('-');
        ++i;
    } else if (!m_plus.isEmpty() && body.startsWith(m_plus)) {
        i += m_plus.size();
    } else if (body.startsWith(u'+')) {
        ++i;
    }

    bool sawDigit = false;
    bool sawDecimal = false;
    while (i < end) {
        const QChar c = body[i];
        if (c >= u'0' && c <= u'9') {
            out.push_back(char(c.unicode()));
            sawDigit = true;
            ++i;
        } else if (!sawDecimal && !m_decimal.isEmpty() && body.sliced(i).startsWith(m_decimal)) {
            out.push_back('.');
            sawDecimal = true;
            i += m_decimal.size();
        } else {
            return false;
        }
    }
    return sawDigit;
}

template<typename T>
std::optional<T> NumberReader::read(QStringView text) const
{
    const QStringView body = trimmed(text, isBlank);
    if (const auto whole = plainWholeNumber(body))
        return T(*whole);
    std::string ascii;
    if (!toAscii(body, ascii))
        return std::nullopt;
    const char *first = ascii.data();
    const char *last = ascii.data() + ascii.size();
    const bool negative = *first == '-';
    // from_chars takes no leading '+', and reads "-" itself.
    T value{};
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Too large in magnitude: infinity of the right sign. Too small: a signed zero.
        bool allZeroOrTiny = true;
        for (const char *p = first; p != last; ++p) {
            if (*p >= '1' && *p <= '9') {
                // Out of range with a non-zero digit before the point means overflow.
                const char *dot = std::find(first, last, '.');
                allZeroOrTiny = p > dot;
                break;
            }
        }
        if (allZeroOrTiny)
            return negative ? -T(0) : T(0);
        return negative ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
    }
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

std::optional<double> NumberReader::readNumber(QStringView text) const
{
    return read<double>(text);
}

std::optional<float> NumberReader::readSingle(QStringView text) const
{
    return read<float>(text);
}

QStringView trimSpaces(QStringView text)
{
    return trimmed(text, [](QChar c) { return c == u' '; });
}

QString blanksAsSpaces(QString text)
{
    for (QChar &c : text) {
        if (isControlOrLineBreak(c))
            c = u' ';
    }
    return text;
}

std::optional<double> readNumber(QStringView text, const QLocale &locale)
{
    return NumberReader(locale).readNumber(text);
}

std::optional<float> readSingle(QStringView text, const QLocale &locale)
{
    return NumberReader(locale).readSingle(text);
}

std::optional<double> readNumberAnyDecimal(QStringView text, const QLocale &locale)
{
    if (const auto value = readNumber(text, locale))
        return value;
    return NumberReader::withOtherDecimal(locale).readNumber(text);
}

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which the program never changes
    // from round-to-nearest-even.
    return std::nearbyint(value);
}

std::optional<std::int32_t> toInt32(double value)
{
    return toWhole<std::int32_t>(value);
}

std::optional<std::int16_t> toInt16(double value)
{
    return toWhole<std::int16_t>(value);
}

std::optional<std::int32_t> readInt32(QStringView text, const QLocale &locale)
{
    const auto value = readNumber(text, locale);
    return value ? toInt32(*value) : std::nullopt;
}

} // namespace trevanto
