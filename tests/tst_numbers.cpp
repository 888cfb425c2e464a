// The one number reader and the whole-number conversions that every check and every
// conversion of the program goes through.

#include "common/numbers.h"
#include "locales.h"

#include <cmath>
#include <limits>

using namespace trevanto;

namespace {

// Stands for "no whole number" in the tables; NaN stands for "not a number".
constexpr qint64 None = std::numeric_limits<qint64>::min();
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

template <typename T>
qint64 orNone(const std::optional<T> &value)
{
    return value ? qint64(*value) : None;
}

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void trimSpaces();
    void reading_data();
    void reading();
    void wholeNumbers_data();
    void wholeNumbers();
};

void TestNumbers::trimSpaces()
{
    // Only the space character goes, and only at the ends: a tab is no space.
    QCOMPARE(trevanto::trimSpaces(u"    "), QString());
    QCOMPARE(trevanto::trimSpaces(u"  1 2  "), QStringLiteral("1 2"));
    QCOMPARE(trevanto::trimSpaces(u" \t12 "), QStringLiteral("\t12"));
}

void TestNumbers::reading_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number"); // as a double; NaN: not a number
    QTest::addColumn<float>("single");  // read straight to single precision
    QTest::addColumn<qint64>("int32");  // the whole number, halves to even
    QTest::addColumn<qint64>("int16");

    // '#' is the locale's decimal separator, '~' the other locale's.
    const struct { const char *pattern; double number; float single; qint64 int32, int16; } rows[] = {
        {"12", 12, 12, 12, 12}, {" 12 ", 12, 12, 12, 12}, {"007", 7, 7, 7, 7}, {"+3", 3, 3, 3, 3},
        {"1234567", 1234567, 1234567, 1234567, None}, {"12345678", 12345678, 12345678, 12345678, None},
        {"1#5", 1.5, 1.5f, 2, 2}, {"2#5", 2.5, 2.5f, 2, 2}, {"3#5", 3.5, 3.5f, 4, 4}, {"#5", 0.5, 0.5f, 0, 0},
        {"5#", 5, 5, 5, 5}, {"-0#5", -0.5, -0.5f, 0, 0}, {"359#4", 359.4, 359.4f, 359, 359},
        {"359#5", 359.5, 359.5f, 360, 360}, {"0#1", 0.1, 0.1f, 0, 0},
        // Single precision from the text itself, not through a double: ties to even, and
        // texts that a double would put exactly on a tie go to the nearer single.
        {"16777217", 16777217, 16777216.0f, 16777217, None}, {"16777219", 16777219, 16777220.0f, 16777219, None},
        {"1#0000000596046447755", 1.0000000596046447755, 0x1.000002p0f, 1, 1},
        {"-1#0000000596046447755", -1.0000000596046447755, -0x1.000002p0f, -1, -1},
        {"1#0000001788139343", 1.0000001788139343, 0x1.000002p0f, 1, 1},
        // The edges of the 16- and 32-bit ranges.
        {"32767#5", 32767.5, 32767.5f, 32768, None}, {"-32768#5", -32768.5, -32768.5f, -32768, -32768},
        {"-32769", -32769, -32769, -32769, None}, {"2147483647#4", 2147483647.4, 2147483647.4f, 2147483647, None},
        {"2147483647#5", 2147483647.5, 2147483647.5f, None, None},
        {"-2147483648#5", -2147483648.5, -2147483648.5f, INT32_MIN, None},
        {"-2147483649", -2147483649.0, -2147483649.0f, None, None},
        // Not numbers: other separators, grouping, signs astray, exponents, currency.
        {"1~5", NotANumber, 0, None, None}, {"1~000", NotANumber, 0, None, None},
        {"1#5#5", NotANumber, 0, None, None}, {"", NotANumber, 0, None, None}, {"   ", NotANumber, 0, None, None},
        {"-", NotANumber, 0, None, None}, {"#", NotANumber, 0, None, None}, {"-#", NotANumber, 0, None, None},
        {"abc", NotANumber, 0, None, None}, {"12a", NotANumber, 0, None, None}, {"1 2", NotANumber, 0, None, None},
        {"- 5", NotANumber, 0, None, None}, {"--5", NotANumber, 0, None, None}, {"5-", NotANumber, 0, None, None},
        {"1e3", NotANumber, 0, None, None}, {"R$ 5", NotANumber, 0, None, None},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\"", named.name, qPrintable(text))
                    << named.locale << text << row.number << row.single << row.int32 << row.int16;
        }
        // More digits than a double holds: still a number, of a size no whole number holds.
        const QString fraction = typed("%1#5", named.locale).arg(fourHundredDigits);
        QTest::addRow("%s: 400 nines", named.name) << named.locale << u' ' + fourHundredDigits + u' ' << Infinity
                                                   << float(Infinity) << None << None;
        QTest::addRow("%s: minus 400 nines", named.name) << named.locale << u'-' + fourHundredDigits << -Infinity
                                                         << float(-Infinity) << None << None;
        QTest::addRow("%s: 400 nines and a fraction", named.name)
                << named.locale << fraction << Infinity << float(Infinity) << None << None;
    }
}

void TestNumbers::reading()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, number);
    QFETCH(float, single);
    QFETCH(qint64, int32);
    QFETCH(qint64, int16);

    const std::optional<double> read = readNumber(text, locale);
    const std::optional<float> readAsSingle = readSingle(text, locale);
    QCOMPARE(read.has_value(), !std::isnan(number));
    QCOMPARE(readAsSingle.has_value(), read.has_value());
    if (read) {
        COMPARE_EXACT(*read, number);
        COMPARE_EXACT(double(*readAsSingle), double(single));
    }
    QCOMPARE(orNone(readInt32(text, locale)), int32);
    QCOMPARE(orNone(read ? toInt16(*read) : std::nullopt), int16);
}

void TestNumbers::wholeNumbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::addColumn<qint64>("int32");
    QTest::addColumn<qint64>("int16");

    const struct { double value, rounded; qint64 int32, int16; } rows[] = {
        {0.5, 0, 0, 0}, {1.5, 2, 2, 2}, {2.5, 2, 2, 2}, {-0.5, -0.0, 0, 0}, {-1.5, -2, -2, -2}, {-2.5, -2, -2, -2},
        {0.6, 1, 1, 1}, {0.4, 0, 0, 0}, {-0.6, -1, -1, -1}, {32766.5, 32766, 32766, 32766},
        {32767.4, 32767, 32767, 32767}, {32767.5, 32768, 32768, None}, {-32768.5, -32768, -32768, -32768},
        {-32768.6, -32769, -32769, None}, {2147483646.5, 2147483646, 2147483646, None},
        {2147483647.5, 2147483648.0, None, None}, {-2147483648.5, -2147483648.0, INT32_MIN, None},
        {-2147483648.6, -2147483649.0, None, None}, {Infinity, Infinity, None, None},
        {-Infinity, -Infinity, None, None}, {NotANumber, NotANumber, None, None},
    };
    for (const auto &row : rows)
        QTest::addRow("%.12g", row.value) << row.value << row.rounded << row.int32 << row.int16;
}

void TestNumbers::wholeNumbers()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QFETCH(qint64, int32);
    QFETCH(qint64, int16);
    if (!std::isnan(value))
        COMPARE_EXACT(roundHalfEven(value), rounded);
    QCOMPARE(orNone(toInt32(value)), int32);
    QCOMPARE(orNone(toInt16(value)), int16);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
