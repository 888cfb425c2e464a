// Tests of the one number reader and the whole-number conversions that every
// numeric check and every conversion of the program goes through.

#include "common/numbers.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace trevanto;

namespace {

struct NamedLocale
{
    const char *name;
    QLocale locale;
};

QLocale brazil()
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

// The user's locale is pinned in every row: Brazilian Portuguese writes "1,5",
// the C locale "1.5".
QList<NamedLocale> bothLocales()
{
    return {{"pt_BR", brazil()}, {"C", QLocale::c()}};
}

// Returns the pattern with each '#' replaced by the locale's decimal separator and
// each '~' by the other locale's one (which doubles as its thousands separator).
QString typed(const char *pattern, const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    QString text = QString::fromUtf8(pattern);
    text.replace(u'#', comma ? u',' : u'.');
    text.replace(u'~', comma ? u'.' : u',');
    return text;
}

QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}

// Compares two doubles bit for bit in value (0 and -0 count as equal), with both
// printed in full on failure.
#define COMPARE_EXACT(actual, expected)                                                             \
    QVERIFY2((actual) == (expected),                                                                \
             QByteArray("got " + exact(actual) + ", expected " + exact(expected)).constData())

const QString fourHundredDigits = QString(400, u'9');

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void trimSpaces_data();
    void trimSpaces();

    void readNumber_data();
    void readNumber();

    void readSingle_data();
    void readSingle();

    void roundHalfEven_data();
    void roundHalfEven();

    void toInt32_data();
    void toInt32();

    void toInt16_data();
    void toInt16();

    void readInt32_data();
    void readInt32();

    void readInt16_data();
    void readInt16();

    void longDigitStringsConvertToNothing_data();
    void longDigitStringsConvertToNothing();
};

void TestNumbers::initTestCase()
{
    // The rows below rely on these two separators.
    QCOMPARE(brazil().decimalPoint(), QStringLiteral(","));
    QCOMPARE(brazil().groupSeparator(), QStringLiteral("."));
    QCOMPARE(QLocale::c().decimalPoint(), QStringLiteral("."));
}

void TestNumbers::trimSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty stays empty") << QString() << QString();
    QTest::newRow("spaces only -> empty") << QStringLiteral("    ") << QString();
    QTest::newRow("spaces both sides removed") << QStringLiteral("  12  ") << QStringLiteral("12");
    QTest::newRow("inner space kept") << QStringLiteral(" 1 2 ") << QStringLiteral("1 2");
    QTest::newRow("tab is not a space") << QStringLiteral("\t12\t") << QStringLiteral("\t12\t");
    QTest::newRow("only the spaces outside a tab go") << QStringLiteral(" \t12 ")
                                                       << QStringLiteral("\t12");
    QTest::newRow("nothing to remove") << QStringLiteral("abc") << QStringLiteral("abc");
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

    struct Row
    {
        const char *pattern;
        bool number;
        double value;
    };
    // '#' is the locale's own decimal separator, '~' the other locale's.
    const Row rows[] = {
        {"12", true, 12},
        {" 12 ", true, 12},
        {"   12", true, 12},
        {"12   ", true, 12},
        {"0", true, 0},
        {"007", true, 7},
        {"1#5", true, 1.5},
        {" 1#5 ", true, 1.5},
        {"359#4", true, 359.4},
        {"-3", true, -3},
        {"+3", true, 3},
        {"-0#5", true, -0.5},
        {" -12#25 ", true, -12.25},
        {"#5", true, 0.5},
        {"5#", true, 5},
        {"1~5", false, 0},
        {"1~000", false, 0},
        {"10~000#5", false, 0},
        {"1#5#5", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {"   ", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"#", false, 0},
        {"-#", false, 0},
        {" - ", false, 0},
        {"abc", false, 0},
        {"12a", false, 0},
        {"a12", false, 0},
        {"1 2", false, 0},
        {"- 5", false, 0},
        {"--5", false, 0},
        {"+-5", false, 0},
        {"5-", false, 0},
        {"1e3", false, 0},
        {"R$ 5", false, 0},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            if (row.number)
                QTest::addRow("%s: \"%s\" -> %s", named.name, qPrintable(text),
                              exact(row.value).constData())
                        << named.locale << text << true << row.value;
            else
                QTest::addRow("%s: \"%s\" is not a number", named.name, qPrintable(text))
                        << named.locale << text << false << 0.0;
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
    QCOMPARE(isNumber(text, locale), number);
    if (number)
        COMPARE_EXACT(*read, value);
}

void TestNumbers::readSingle_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<float>("value");

    struct Row
    {
        const char *pattern;
        bool number;
        float value;
        const char *note;
    };
    const Row rows[] = {
        {"0#1", true, 0.1f, "the single nearest 0.1"},
        {"359#4", true, 359.4f, "the single nearest 359.4"},
        {" 2#5 ", true, 2.5f, "spaces around"},
        {"-90", true, -90.0f, "sign"},
        {"16777217", true, 16777216.0f, "tie goes to the even single"},
        {"16777219", true, 16777220.0f, "tie goes to the even single"},
        // Through a double these land exactly on a tie between two singles and go
        // to the even one; read straight to single they go to the nearer one.
        {"1#0000000596046447755", true, 0x1.000002p0f, "just above a tie rounds up"},
        {"-1#0000000596046447755", true, -0x1.000002p0f, "just above a tie rounds up"},
        {"1#0000001788139343", true, 0x1.000002p0f, "just below a tie rounds down"},
        {"1~5", false, 0.0f, "other separator"},
        {"", false, 0.0f, "empty"},
        {"abc", false, 0.0f, "letters"},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\" %s (%s)", named.name, qPrintable(text),
                          row.number ? "reads" : "is not a number", row.note)
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

    QTest::newRow("0.5 -> 0") << 0.5 << 0.0;
    QTest::newRow("1.5 -> 2") << 1.5 << 2.0;
    QTest::newRow("2.5 -> 2") << 2.5 << 2.0;
    QTest::newRow("3.5 -> 4") << 3.5 << 4.0;
    QTest::newRow("-0.5 -> 0") << -0.5 << 0.0;
    QTest::newRow("-1.5 -> -2") << -1.5 << -2.0;
    QTest::newRow("-2.5 -> -2") << -2.5 << -2.0;
    QTest::newRow("359.5 -> 360") << 359.5 << 360.0;
    QTest::newRow("358.5 -> 358") << 358.5 << 358.0;
    QTest::newRow("359.4 -> 359") << 359.4 << 359.0;
    QTest::newRow("0.6 -> 1") << 0.6 << 1.0;
    QTest::newRow("0.4 -> 0") << 0.4 << 0.0;
    QTest::newRow("-0.4 -> 0") << -0.4 << 0.0;
    QTest::newRow("-0.6 -> -1") << -0.6 << -1.0;
    QTest::newRow("100.5 -> 100") << 100.5 << 100.0;
    QTest::newRow("101.5 -> 102") << 101.5 << 102.0;
    QTest::newRow("whole number unchanged") << 42.0 << 42.0;
    QTest::newRow("2147483647.5 -> 2147483648") << 2147483647.5 << 2147483648.0;
    QTest::newRow("-2147483648.5 -> -2147483648") << -2147483648.5 << -2147483648.0;
}

void TestNumbers::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    COMPARE_EXACT(trevanto::roundHalfEven(value), expected);
}

void TestNumbers::toInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<qint32>("expected");

    const double infinity = std::numeric_limits<double>::infinity();

    QTest::newRow("0.5 -> 0") << 0.5 << true << 0;
    QTest::newRow("1.5 -> 2") << 1.5 << true << 2;
    QTest::newRow("2.5 -> 2") << 2.5 << true << 2;
    QTest::newRow("-0.5 -> 0") << -0.5 << true << 0;
    QTest::newRow("-1.5 -> -2") << -1.5 << true << -2;
    QTest::newRow("359.5 -> 360") << 359.5 << true << 360;
    QTest::newRow("2147483647 fits") << 2147483647.0 << true << 2147483647;
    QTest::newRow("2147483647.4 -> 2147483647") << 2147483647.4 << true << 2147483647;
    QTest::newRow("2147483646.5 -> 2147483646") << 2147483646.5 << true << 2147483646;
    QTest::newRow("2147483647.5 -> 2147483648 out of range") << 2147483647.5 << false << 0;
    QTest::newRow("2147483648 out of range") << 2147483648.0 << false << 0;
    QTest::newRow("-2147483648 fits") << -2147483648.0 << true << qint32(INT32_MIN);
    QTest::newRow("-2147483648.5 -> -2147483648 fits (half to even)")
            << -2147483648.5 << true << qint32(INT32_MIN);
    QTest::newRow("-2147483648.6 -> -2147483649 out of range") << -2147483648.6 << false << 0;
    QTest::newRow("-2147483649 out of range") << -2147483649.0 << false << 0;
    QTest::newRow("1e300 out of range") << 1e300 << false << 0;
    QTest::newRow("infinity -> nothing") << infinity << false << 0;
    QTest::newRow("-infinity -> nothing") << -infinity << false << 0;
    QTest::newRow("NaN -> nothing") << std::numeric_limits<double>::quiet_NaN() << false << 0;
}

void TestNumbers::toInt32()
{
    QFETCH(double, value);
    QFETCH(bool, inRange);
    QFETCH(qint32, expected);

    const std::optional<std::int32_t> converted = trevanto::toInt32(value);
    QCOMPARE(converted.has_value(), inRange);
    if (inRange)
        QCOMPARE(*converted, expected);
}

void TestNumbers::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<qint16>("expected");

    QTest::newRow("2.5 -> 2") << 2.5 << true << qint16(2);
    QTest::newRow("3.5 -> 4") << 3.5 << true << qint16(4);
    QTest::newRow("-0.5 -> 0") << -0.5 << true << qint16(0);
    QTest::newRow("32767 fits") << 32767.0 << true << qint16(32767);
    QTest::newRow("32766.5 -> 32766") << 32766.5 << true << qint16(32766);
    QTest::newRow("32767.4 -> 32767") << 32767.4 << true << qint16(32767);
    QTest::newRow("32767.5 -> 32768 out of range") << 32767.5 << false << qint16(0);
    QTest::newRow("32768 out of range") << 32768.0 << false << qint16(0);
    QTest::newRow("-32768 fits") << -32768.0 << true << qint16(-32768);
    QTest::newRow("-32767.5 -> -32768 fits") << -32767.5 << true << qint16(-32768);
    QTest::newRow("-32768.5 -> -32768 fits (half to even)") << -32768.5 << true << qint16(-32768);
    QTest::newRow("-32768.6 -> -32769 out of range") << -32768.6 << false << qint16(0);
    QTest::newRow("-32769 out of range") << -32769.0 << false << qint16(0);
    QTest::newRow("2147483647 out of range") << 2147483647.0 << false << qint16(0);
    QTest::newRow("infinity -> nothing") << std::numeric_limits<double>::infinity() << false
                                         << qint16(0);
    QTest::newRow("NaN -> nothing") << std::numeric_limits<double>::quiet_NaN() << false
                                    << qint16(0);
}

void TestNumbers::toInt16()
{
    QFETCH(double, value);
    QFETCH(bool, inRange);
    QFETCH(qint16, expected);

    const std::optional<std::int16_t> converted = trevanto::toInt16(value);
    QCOMPARE(converted.has_value(), inRange);
    if (inRange)
        QCOMPARE(*converted, expected);
}

void TestNumbers::readInt32_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<qint32>("expected");

    struct Row
    {
        const char *pattern;
        bool converts;
        qint32 expected;
    };
    const Row rows[] = {
        {"12", true, 12},
        {" 12 ", true, 12},
        {"0#5", true, 0},
        {"1#5", true, 2},
        {"2#5", true, 2},
        {"-0#5", true, 0},
        {"-1#5", true, -2},
        {"359#5", true, 360},
        {"100#5", true, 100},
        {"101#5", true, 102},
        {"2147483647", true, 2147483647},
        {"2147483647#4", true, 2147483647},
        {"2147483647#5", false, 0},
        {"2147483648", false, 0},
        {"-2147483648", true, INT32_MIN},
        {"-2147483648#5", true, INT32_MIN},
        {"-2147483649", false, 0},
        {"99999999999", false, 0},
        {"1~5", false, 0},
        {"", false, 0},
        {"abc", false, 0},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            if (row.converts)
                QTest::addRow("%s: \"%s\" -> %d", named.name, qPrintable(text), row.expected)
                        << named.locale << text << true << row.expected;
            else
                QTest::addRow("%s: \"%s\" -> nothing", named.name, qPrintable(text))
                        << named.locale << text << false << 0;
        }
    }
}

void TestNumbers::readInt32()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(qint32, expected);

    const std::optional<std::int32_t> converted = trevanto::readInt32(text, locale);
    QCOMPARE(converted.has_value(), converts);
    if (converts)
        QCOMPARE(*converted, expected);
}

void TestNumbers::readInt16_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<qint16>("expected");

    struct Row
    {
        const char *pattern;
        bool converts;
        qint16 expected;
    };
    const Row rows[] = {
        {"10", true, 10},
        {"099", true, 99},
        {" 10 ", true, 10},
        {"2#5", true, 2},
        {"3#5", true, 4},
        {"0#4", true, 0},
        {"-3", true, -3},
        {"32767", true, 32767},
        {"32767#5", false, 0},
        {"32768", false, 0},
        {"-32768", true, -32768},
        {"-32768#5", true, -32768},
        {"-32769", false, 0},
        {"1~5", false, 0},
        {"   ", false, 0},
        {"dez", false, 0},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            if (row.converts)
                QTest::addRow("%s: \"%s\" -> %d", named.name, qPrintable(text), int(row.expected))
                        << named.locale << text << true << row.expected;
            else
                QTest::addRow("%s: \"%s\" -> nothing", named.name, qPrintable(text))
                        << named.locale << text << false << qint16(0);
        }
    }
}

void TestNumbers::readInt16()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(qint16, expected);

    const std::optional<std::int16_t> converted = trevanto::readInt16(text, locale);
    QCOMPARE(converted.has_value(), converts);
    if (converts)
        QCOMPARE(*converted, expected);
}

void TestNumbers::longDigitStringsConvertToNothing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("negative");

    for (const NamedLocale &named : bothLocales()) {
        QTest::addRow("%s: 400 nines", named.name) << named.locale << fourHundredDigits << false;
        QTest::addRow("%s: 400 nines with spaces around", named.name)
                << named.locale << QStringLiteral(" %1 ").arg(fourHundredDigits) << false;
        QTest::addRow("%s: minus and 400 nines", named.name)
                << named.locale << QStringLiteral("-%1").arg(fourHundredDigits) << true;
        QTest::addRow("%s: 400 nines and a fraction", named.name)
                << named.locale << typed("%1#5", named.locale).arg(fourHundredDigits) << false;
    }
}

void TestNumbers::longDigitStringsConvertToNothing()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, negative);

    QVERIFY(isNumber(text, locale));
    const std::optional<double> value = trevanto::readNumber(text, locale);
    QVERIFY(value.has_value());
    QVERIFY(!std::isfinite(*value) || std::abs(*value) > 1e300);
    QCOMPARE(std::signbit(*value), negative);

    QVERIFY(!trevanto::toInt32(*value).has_value());
    QVERIFY(!trevanto::toInt16(*value).has_value());
    QVERIFY(!trevanto::readInt32(text, locale).has_value());
    QVERIFY(!trevanto::readInt16(text, locale).has_value());

    const std::optional<float> single = trevanto::readSingle(text, locale);
    QVERIFY(single.has_value());
    QVERIFY(std::isinf(*single));
    QCOMPARE(std::signbit(*single), negative);
}

QTEST_APPLESS_MAIN(TestNumbers)

#include "tst_numbers.moc"
