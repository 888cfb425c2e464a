// The rules over the texts the user types: the one number reader and its whole-number
// conversions, the checks a new leg passes before Incluir appends it, and the scale box's
// two rules (whether the redraw takes the scale, and one click on the zoom arrows).

#include "common/numbers.h"
#include "course/legrules.h"
#include "locales.h"
#include "plot/scale.h"

#include <cmath>
#include <limits>

using namespace trevanto;

Q_DECLARE_METATYPE(trevanto::ScaleStep)

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

// The include messages by number: the six tests in their order, then the program's own
// two refusals (a distance beyond 32 bits, a full course). The character after 0 and
// 359 is the masculine ordinal indicator, not the degree sign.
const QString LegMessages[] = {
    QString(),
    QStringLiteral("Informe uma DIREÇÃO para incluir!"),
    QStringLiteral("Informe uma DIREÇÃO válida para incluir!"),
    QStringLiteral("Informe uma DIREÇÃO entre 0\u00BA e 359\u00BA para incluir!"),
    QStringLiteral("Informe uma METRAGEM para incluir!"),
    QStringLiteral("Informe uma METRAGEM válida para incluir!"),
    QStringLiteral("Informe uma METRAGEM maior que zero para incluir!"),
    QStringLiteral("Informe uma METRAGEM de no máximo 2147483647 para incluir!"),
    QStringLiteral("O percurso já tem 32767 trechos, o máximo; exclua um para incluir outro!"),
};

} // namespace

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void trimSpaces();
    void reading_data();
    void reading();
    void checkNewLeg_data();
    void checkNewLeg();
    void scaleRefusal_data();
    void scaleRefusal();
    void stepScale_data();
    void stepScale();
};

void TestRules::trimSpaces()
{
    // Only the space character goes, and only at the ends: a tab is no space.
    QCOMPARE(trevanto::trimSpaces(u"    "), QString());
    QCOMPARE(trevanto::trimSpaces(u"  1 2  "), QStringLiteral("1 2"));
    QCOMPARE(trevanto::trimSpaces(u" \t12 "), QStringLiteral("\t12"));
}

void TestRules::reading_data()
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

void TestRules::reading()
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

void TestRules::checkNewLeg_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<int>("legCount");
    QTest::addColumn<int>("message");

    // A row whose refusal is an early test shows that the later ones are not reached;
    // which texts read as numbers is the reader's own table.
    const struct { const char *name, *bearing, *distance; int legCount; int message; } rows[] = {
        {"both boxes empty -> 1", "", "", 0, 1},
        {"bearing of spaces, distance letters -> 1", "   ", "abc", 0, 1},
        {"bearing letters, distance empty -> 2", "abc", "", 0, 2},
        {"bearing tab only, no space -> 2", "\t", "100", 0, 2},
        {"bearing 360, distance letters -> 3", "360", "abc", 0, 3},
        {"bearing -1 -> 3", "-1", "100", 0, 3},
        {"bearing 359#5 -> 360 -> 3", "359#5", "100", 0, 3},
        {"bearing -0#6 -> -1 -> 3", "-0#6", "100", 0, 3},
        {"bearing -99999999999, beyond 32 bits -> 3", "-99999999999", "100", 0, 3},
        {"bearing 0 accepted", "0", "100", 0, 0},
        {"bearing 359#4 -> 359 accepted", "359#4", "100", 0, 0},
        {"bearing -0#5 -> 0 accepted", "-0#5", "100", 0, 0},
        {"distance of spaces -> 4", "  45  ", "    ", 0, 4},
        {"distance 10m -> 5", "45", "10m", 0, 5},
        {"distance 0#5 -> 0 -> 6", "45", "0#5", 0, 6},
        {"distance -99999999999, below 32 bits -> 6", "45", "-99999999999", 0, 6},
        {"distance 0#6 -> 1 accepted", "45", "0#6", 0, 0},
        {"distance 2147483647#4 accepted", "45", " 2147483647#4 ", 0, 0},
        {"distance 2147483647#5 -> 2147483648 too large", "45", "2147483647#5", 0, 7},
        {"32766 legs, one more accepted", "45", "100", 32766, 0},
        {"32767 legs, course full", "45", "100", MaxLegs, 8},
        {"32767 legs, distance 0#5 -> 6 first", "45", "0#5", MaxLegs, 6},
    };
    const QString hundred = QStringLiteral("100");
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            QTest::addRow("%s: %s", named.name, qPrintable(typed(row.name, named.locale)))
                    << named.locale << typed(row.bearing, named.locale) << typed(row.distance, named.locale)
                    << row.legCount << row.message;
        }
        QTest::addRow("%s: bearing of 400 digits -> 3", named.name)
                << named.locale << fourHundredDigits << hundred << 0 << 3;
        QTest::addRow("%s: distance of minus 400 digits -> 6", named.name)
                << named.locale << hundred << u'-' + fourHundredDigits << 0 << 6;
    }
}

void TestRules::checkNewLeg()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(int, legCount);
    QFETCH(int, message);

    const std::optional<LegRefusal> refusal = trevanto::checkNewLeg(bearing, distance, legCount, locale);
    QCOMPARE(refusal ? refusal->message : QString(), LegMessages[message]);
    // The focus goes back to the bearing box after the bearing's tests and a full course.
    if (refusal)
        QCOMPARE(refusal->focus == EntryBox::Bearing, message <= 3 || message == 8);
}

void TestRules::scaleRefusal_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("message");
    const QString none = QStringLiteral("Informe a ESCALA para o desenho!");
    const QString invalid = QStringLiteral("Informe uma ESCALA válida para o desenho!");
    // Only spaces are trimmed for the first test; a negative, fractional or large scale passes.
    const struct { const char *scale; const QString message; } rows[] = {
        {"", none},        {"   ", none},     {"abc", invalid},  {"\t", invalid}, {"2~5", invalid},
        {"0", none},       {"0#0", none},     {"-0", none},      {"-10", {}},      {"0#4", {}},
        {" 150 ", {}},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString scale = typed(row.scale, named.locale);
            QTest::addRow("%s: \"%s\"", named.name, qPrintable(scale)) << named.locale << scale << row.message;
        }
    }
}

void TestRules::scaleRefusal()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);
    QFETCH(QString, message);
    QCOMPARE(trevanto::scaleRefusal(scale, locale).value_or(QString()), message);
}

void TestRules::stepScale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<ScaleStep>("step");
    QTest::addColumn<QString>("expected");

    constexpr ScaleStep up = ScaleStep::Up;
    constexpr ScaleStep down = ScaleStep::Down;
    // '#' is the locale's decimal separator, '~' the other locale's, '9' * 400 a number no
    // double holds; no expected text: the scale stays exactly as typed.
    const struct { const char *scale; ScaleStep step; const char *expected; } rows[] = {
        // The default, the limits 1 and 100, and texts written back without zero or spaces.
        {"10", down, "9"}, {"10", up, "11"}, {"1", down, nullptr}, {"1", up, "2"}, {"100", up, nullptr},
        {"100", down, "99"}, {"099", up, "100"}, {" 10 ", down, "9"}, {"1500", down, "1499"},
        // Outside 1 to 100: brought back one step, never pushed further out.
        {"150", down, "149"}, {"150", up, nullptr}, {"0", up, "1"}, {"0", down, nullptr}, {"-3", up, "-2"},
        {"-3", down, nullptr},
        // A fraction is lost at the first step, halves to even.
        {"2#5", down, "1"}, {"2#5", up, "3"}, {"3#5", down, "3"}, {"3#5", up, "5"}, {"0#4", down, nullptr},
        {"0#4", up, "1"}, {"-0#5", up, "1"}, {"1#4", down, nullptr}, {"1#6", down, "1"}, {"99#5", up, nullptr},
        {"100#6", down, "100"},
        // Not a number here: left alone.
        {"", down, nullptr}, {"abc", up, nullptr}, {"1e2", down, nullptr}, {"2~5", up, nullptr},
        // The 16-bit range: a whole number beyond it comes back to its edge.
        {"32767", down, "32766"}, {"32767", up, nullptr}, {"-32768", up, "-32767"}, {"-32768", down, nullptr},
        {"-32768#5", up, "-32767"}, {"32767#5", down, "32767"}, {"40000", down, "32767"}, {"40000", up, nullptr},
        {"99999999999", down, "32767"}, {"-40000", up, "-32768"}, {"-40000", down, nullptr},
        {"9*400", down, "32767"}, {"9*400", up, nullptr}, {"-9*400", up, "-32768"}, {"-9*400", down, nullptr},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            QString scale = typed(row.scale, named.locale);
            scale.replace(QStringLiteral("9*400"), fourHundredDigits);
            QTest::addRow("%s: scale \"%s\" %s -> %s", named.name, row.scale, row.step == up ? "up" : "down",
                          row.expected ? row.expected : "stays")
                    << named.locale << scale << row.step << (row.expected ? QString::fromUtf8(row.expected) : scale);
        }
    }
}

void TestRules::stepScale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);
    QFETCH(ScaleStep, step);
    QFETCH(QString, expected);
    QCOMPARE(trevanto::stepScale(scale, step, locale), expected);
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
