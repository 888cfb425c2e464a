#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string>

namespace trevanto {

// Returns the text with the space character (and only that) removed from both ends.
QStringView trimSpaces(QStringView text);

// Returns the text with each control character and line break made a space, as the
// entry boxes take them: a number copied from a sheet or a spreadsheet brings tabs and
// line breaks along, and a NUL or another control character pasted into a box would
// otherwise go into the work file.
QString blanksAsSpaces(QString text);

// The one number reader of the program. A number is: optional white space, an
// optional sign, digits with at most one of the locale's decimal separators (at
// least one digit in all), optional white space. Nothing else reads as a number:
// no thousands separators, no exponent, no currency. A number with more digits
// than a double holds reads as +/- infinity, so it is still "a number" that no
// whole-number conversion accepts.
std::optional<double> readNumber(QStringView text, const QLocale &locale);

// The same reader, rounding the decimal text straight to single precision (one
// rounding, not two through a double).
std::optional<float> readSingle(QStringView text, const QLocale &locale);

// The reader of the numbers a work file holds, which may have been written under
// another locale: a text that does not read under the locale is read with the other
// decimal separator ("12,5" under English, "12.5" under Portuguese), as the legs are.
std::optional<double> readNumberAnyDecimal(QStringView text, const QLocale &locale);

// The same reader with the locale's signs and decimal separator looked up once, for
// reading many numbers in a row.
class NumberReader
{
public:
    explicit NumberReader(const QLocale &locale);
    // The reader of the locale's signs with the other decimal separator: "," where the
    // locale writes ".", and "." for any other, as a number typed under another locale
    // has it.
    static NumberReader withOtherDecimal(const QLocale &locale);
    std::optional<double> readNumber(QStringView text) const;
    std::optional<float> readSingle(QStringView text) const;

private:
    template<typename T>
    std::optional<T> read(QStringView text) const;
    bool toAscii(QStringView body, std::string &out) const;

    QString m_decimal;
    QString m_minus;
    QString m_plus;
};

// Nearest whole number, an exact half to the even neighbour (0.5 -> 0, 1.5 -> 2,
// 2.5 -> 2, -0.5 -> -0).
double roundHalfEven(double value);

// Nearest whole number in the range of the type, halves to even; nothing when the
// value is not finite or its whole number lies outside the range.
std::optional<std::int32_t> toInt32(double value);
std::optional<std::int16_t> toInt16(double value);

// Text to whole number through the one reader: nothing when the text is not a
// number or its whole number lies outside the 32-bit range.
std::optional<std::int32_t> readInt32(QStringView text, const QLocale &locale);

} // namespace trevanto
