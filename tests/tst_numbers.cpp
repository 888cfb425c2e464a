// The one number reader and the whole-number conversions that every check and every
// conversion of the program goes through.

#include "common/numbers.h"
#include "locales.h"

#include <cmath>
#include <limits>

using namespace trevanto;

namespace {

// Stands for "no whole number" in the conversion tables.
constexpr qint64 None = std::numeric_limits<qint64>::min();

template <typename T>
qint64 orNone(const std::optional<T> &value)
{
    return value ? qint64(*value) : None;
}

// Row names print 12 digits: enough for every row, without the noise of 17.
QByteArray shown(double value)
{
    return QByteArray::number(value, 'g', 12);
}

QByteArray shown(qint64 value)
{
    return value == None ? QByteArray("nothing") : QByteArray::number(value);
}

constexpr double Infinity = std::numeric_limits<double>::infinity();

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(brazil().decimalPoint(), QStringLiteral(",")); }
    void trimSpaces_data();
    void trimSpaces();
    void readNumber_data();
    void readNumber();
    void readSingle_data();
    void readSingle();
    void roundHalfEven_data();
    void roundHalfEven();
    void toWholeNumber_data();
    void toWholeNumber();
    void readWholeNumber_data();
    void readWholeNumber();
    void longDigitStringsConvertToNothing_data();
    void longDigitStringsConvertToNothing();
};

void TestNumbers::trimSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty stays empty") << QString() << QString();
    QTest::newRow("spaces only -> empty") << QStringLiteral("    ") << QString();
    QTest::newRow("spaces around go, inner space stays") << QStringLiteral("  1 2  ") << QStringLiteral("1 2");
    QTest::newRow("a tab is no space: only the spaces outside it go")
            << QStringLiteral(" \t12 ") << QStringLiteral("\t12");
}

void TestNumbers::trimSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(trevanto::trimSpaces(text), expected);
}

void TestNumbers::readNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");

    // '#' is the locale's decimal separator, '~' the other locale's.
    const struct { const char *pattern; bool number; double value; } rows[] = {
        {"12", true, 12},        {" 12 ", true, 12},       {"007", true, 7},         {"1#5", true, 1.5},
        {"359#4", true, 359.4},  {"-0#5", true, -0.5},     {"+3", true, 3},          {"#5", true, 0.5},
        {"5#", true, 5},         {"1~5", false, 0},        {"1~000", false, 0},      {"1#5#5", false, 0},
        {"", false, 0},          {"   ", false, 0},        {"-", false, 0},          {"#", false, 0},
        {"-#", false, 0},        {"abc", false, 0},        {"12a", false, 0},        {"1 2", false, 0},
        {"- 5", false, 0},       {"--5", false, 0},        {"5-", false, 0},         {"1e3", false, 0},
        {"R$ 5", false, 0},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\" -> %s", named.name, qPrintable(text),
                          row.number ? shown(row.value).constData() : "not a number")
                    << named.locale << text << row.number << row.value;
        }
    }
}

void TestNumbers::readNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);

    const std::optional<double> read = trevanto::readNumber(text, locale);
    QCOMPARE(read.has_value(), number);
    if (number)
        COMPARE_EXACT(*read, value);
}

void TestNumbers::readSingle_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<float>("value");

    const struct { const char *pattern; bool number; float value; const char *note; } rows[] = {
        {"0#1", true, 0.1f, "the single nearest 0.1"},
        {"359#4", true, 359.4f, "the single nearest 359.4"},
        {"16777217", true, 16777216.0f, "tie down to the even single"},
        {"16777219", true, 16777220.0f, "tie up to the even single"},
        // Through a double these land exactly on a tie between two singles and go to the
        // even one; read straight to single they go to the nearer one.
        {"1#0000000596046447755", true, 0x1.000002p0f, "just above a tie rounds up"},
        {"-1#0000000596046447755", true, -0x1.000002p0f, "just above a tie rounds up"},
        {"1#0000001788139343", true, 0x1.000002p0f, "just below a tie rounds down"},
        {"1~5", false, 0.0f, "other separator"},
        {"", false, 0.0f, "empty"},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\" (%s)", named.name, qPrintable(text), row.note)
                    << named.locale << text << row.number << row.value;
        }
    }
}

void TestNumbers::readSingle()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(float, value);

    const std::optional<float> read = trevanto::readSingle(text, locale);
    QCOMPARE(read.has_value(), number);
    if (number)
        COMPARE_EXACT(double(*read), double(value));
}

void TestNumbers::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");

    const double rows[][2] = {
        {0.5, 0},     {1.5, 2},     {2.5, 2},         {-0.5, 0},        {-1.5, -2},
        {-2.5, -2},   {359.5, 360}, {359.4, 359},     {0.6, 1},         {0.4, 0},
        {-0.6, -1},   {2147483647.5, 2147483648.0},   {-2147483648.5, -2147483648.0},
    };
    for (const auto &row : rows)
        QTest::addRow("%s -> %s", shown(row[0]).constData(), shown(row[1]).constData()) << row[0] << row[1];
}

void TestNumbers::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    COMPARE_EXACT(trevanto::roundHalfEven(value), expected);
}

void TestNumbers::toWholeNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("int32");
    QTest::addColumn<qint64>("int16");

    const struct { double value; qint64 int32, int16; } rows[] = {
        {2.5, 2, 2}, {3.5, 4, 4}, {-0.5, 0, 0}, {32766.5, 32766, 32766}, {32767.4, 32767, 32767},
        {32767.5, 32768, None}, {-32768.5, -32768, -32768}, {-32768.6, -32769, None}, {-32769, -32769, None},
        {2147483646.5, 2147483646, None}, {2147483647.4, 2147483647, None}, {2147483647.5, None, None},
        {2147483648.0, None, None}, {-2147483648.5, INT32_MIN, None}, {-2147483648.6, None, None},
        {-2147483649.0, None, None}, {Infinity, None, None}, {-Infinity, None, None},
        {std::numeric_limits<double>::quiet_NaN(), None, None},
    };
    for (const auto &row : rows)
        QTest::addRow("%s -> %s / %s", shown(row.value).constData(), shown(row.int32).constData(),
                      shown(row.int16).constData())
                << row.value << row.int32 << row.int16;
}

void TestNumbers::toWholeNumber()
{
    QFETCH(double, value);
    QFETCH(qint64, int32);
    QFETCH(qint64, int16);
    QCOMPARE(orNone(trevanto::toInt32(value)), int32);
    QCOMPARE(orNone(trevanto::toInt16(value)), int16);
}

void TestNumbers::readWholeNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("int32");
    QTest::addColumn<qint64>("int16");

    const struct { const char *pattern; qint64 int32, int16; } rows[] = {
        {" 12 ", 12, 12}, {"099", 99, 99}, {"0#5", 0, 0}, {"2#5", 2, 2}, {"3#5", 4, 4}, {"-0#5", 0, 0},
        {"359#5", 360, 360}, {"32767#5", 32768, None}, {"-32768#5", -32768, -32768}, {"-32769", -32769, None},
        {"2147483647#4", 2147483647, None}, {"2147483647#5", None, None}, {"-2147483648#5", INT32_MIN, None},
        {"-2147483649", None, None}, {"99999999999", None, None}, {"1~5", None, None}, {"", None, None},
        {"dez", None, None},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\" -> %s / %s", named.name, qPrintable(text), shown(row.int32).constData(),
                          shown(row.int16).constData())
                    << named.locale << text << row.int32 << row.int16;
        }
    }
}

void TestNumbers::readWholeNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(qint64, int32);
    QFETCH(qint64, int16);
    QCOMPARE(orNone(trevanto::readInt32(text, locale)), int32);
    const std::optional<double> number = trevanto::readNumber(text, locale);
    QCOMPARE(orNone(number ? trevanto::toInt16(*number) : std::nullopt), int16);
}

void TestNumbers::longDigitStringsConvertToNothing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("negative");

    for (const NamedLocale &named : bothLocales()) {
        QTest::addRow("%s: 400 nines", named.name) << named.locale << u' ' + fourHundredDigits + u' ' << false;
        QTest::addRow("%s: minus 400 nines", named.name) << named.locale << u'-' + fourHundredDigits << true;
        QTest::addRow("%s: 400 nines and a fraction", named.name)
                << named.locale << typed("%1#5", named.locale).arg(fourHundredDigits) << false;
    }
}

void TestNumbers::longDigitStringsConvertToNothing()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, negative);

    // Still a number, of a size that no whole number holds.
    const std::optional<double> value = trevanto::readNumber(text, locale);
    QVERIFY(value.has_value());
    QVERIFY(!std::isfinite(*value) || std::abs(*value) > 1e300);
    QCOMPARE(std::signbit(*value), negative);
    QVERIFY(!trevanto::toInt32(*value) && !trevanto::toInt16(*value));
    QVERIFY(!trevanto::readInt32(text, locale));

    const std::optional<float> single = trevanto::readSingle(text, locale);
    QVERIFY(single && std::isinf(*single));
    QCOMPARE(std::signbit(*single), negative);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
