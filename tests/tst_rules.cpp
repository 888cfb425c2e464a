// The program's rules, plain functions over values: the one number reader and its
// whole-number conversions, the checks a new leg passes before Incluir appends it, the
// scale box's two rules (whether the redraw takes the scale, and one click on the zoom
// arrows), the leg arithmetic as the redraw plots a course, pixel exact, and what the
// command line asks of the start.

#include "app/commandline.h"
#include "common/numbers.h"
#include "course/legrules.h"
#include "locales.h"
#include "plot/courseplot.h"
#include "plot/scale.h"

#include <cmath>
#include <cstdint>
#include <limits>

using namespace trevanto;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(trevanto::ScaleStep)
Q_DECLARE_METATYPE(trevanto::PlotPoint)

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

// The include messages by number: the six tests in their order, then the program's own two
// refusals (a distance beyond 32 bits, a full course). After 0 and 359 stands º (U+00BA).
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

QString describe(const std::optional<PlotPoint> &point)
{
    return point ? QStringLiteral("(%1, %2)").arg(point->x).arg(point->y) : QStringLiteral("nothing");
}

// Where a course of one leg from `pen` ends, as the redraw plots it.
QString endOf(PlotPoint pen, const QString &bearing, const QString &distance, const QString &scale,
              const QLocale &locale)
{
    const CoursePlot plot = plotCourse(pen, {distance}, {bearing}, scale, locale);
    return describe(lastDrawnLeg(plot) < 0 ? std::nullopt : std::optional(plot.legs.front().to));
}

constexpr PlotPoint thePen{300, 200};
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();

} // namespace

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void checkNewLeg_data();
    void checkNewLeg();
    void scaleRefusal_data();
    void scaleRefusal()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, scale);
        QTEST(trevanto::scaleRefusal(scale, locale).value_or(QString()), "message");
    }
    void stepScale_data();
    void stepScale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, scale);
        QFETCH(ScaleStep, step);
        QTEST(trevanto::stepScale(scale, step, locale), "expected");
    }
    void compassTable_data();
    void compassTable();
    void endPoints_data();
    void endPoints()
    {
        QFETCH(QLocale, locale);
        QFETCH(PlotPoint, pen);
        QFETCH(QString, bearing);
        QFETCH(QString, distance);
        QFETCH(QString, scale);
        QTEST(endOf(pen, bearing, distance, scale, locale), "end");
    }
    void legsThatDoNotRead_data();
    void legsThatDoNotRead();
    void unreadLegsMessage_data();
    void unreadLegsMessage()
    {
        QFETCH(QList<qsizetype>, unread);
        QTEST(trevanto::unreadLegsMessage(std::vector<qsizetype>(unread.begin(), unread.end())), "message");
    }
    void blanksAsSpaces()
    {
        QCOMPARE(trevanto::blanksAsSpaces(u"\t34\r\n\u2028 1,5\v"_s), u" 34    1,5 "_s);
        // Every control character, NUL among them; a format character such as U+FEFF is text.
        QCOMPARE(trevanto::blanksAsSpaces(QStringView(u"1\u00002\u0001\u001F\u007F\u0085\u009F\u00A0\uFEFF", 10).toString()),
                 u"1 2     \u00A0\uFEFF"_s);
    }
    void penStart_data();
    void penStart()
    {
        QFETCH(float, left);
        QFETCH(float, top);
        QTEST(describe(trevanto::penStart(left, top)), "pen");
    }
    void labelCorner_data();
    void labelCorner()
    {
        QFETCH(PlotPoint, pen);
        QFETCH(PlotPoint, end);
        QTEST(describe(trevanto::labelCorner(pen, end)), "corner");
    }
    void styleAsked_data();
    void styleAsked()
    {
        QFETCH(QByteArrayList, arguments);
        arguments.prepend("trevanto");
        std::vector<const char *> argv;
        for (const QByteArray &argument : arguments)
            argv.push_back(argument.constData());
        const trevanto::CommandLineDecision decision = trevanto::decideCommandLine(int(argv.size()), argv.data());
        QVERIFY(decision.start);
        QTEST(decision.styleAsked, "asked");
    }
};

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
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString text = typed(row.pattern, named.locale);
            QTest::addRow("%s: \"%s\"", named.name, qPrintable(text))
                    << named.locale << text << row.number << row.single << row.int32 << row.int16;
        }
        // Not numbers: other separators, grouping, signs astray, exponents, currency.
        for (const char *pattern : {"1~5", "1~000", "1#5#5", "", "   ", "-", "#", "-#", "abc", "12a", "1 2", "- 5",
                                    "--5", "5-", "1e3", "R$ 5"}) {
            const QString text = typed(pattern, named.locale);
            QTest::addRow("%s: \"%s\"", named.name, qPrintable(text))
                    << named.locale << text << NotANumber << 0.0f << None << None;
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
    // Locales whose signs and separator are their own: the plain signs read as well.
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden), egyptian(QStringLiteral("ar_EG"));
    QTest::newRow("sv_SE: its own minus") << swedish << u"\u22122,5"_s << -2.5 << -2.5f << qint64(-2) << qint64(-2);
    QTest::newRow("sv_SE: a hyphen as minus") << swedish << u"-2,5"_s << -2.5 << -2.5f << qint64(-2) << qint64(-2);
    QTest::newRow("ar_EG: its own minus and separator")
            << egyptian << u"\u061C-3\u066B5"_s << -3.5 << -3.5f << qint64(-4) << qint64(-4);
    QTest::newRow("ar_EG: a hyphen as minus") << egyptian << u"-3\u066B5"_s << -3.5 << -3.5f << qint64(-4) << qint64(-4);
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
        {"both boxes empty -> 1", "", "", 0, 1}, {"bearing of spaces, distance letters -> 1", "   ", "abc", 0, 1},
        {"bearing letters, distance empty -> 2", "abc", "", 0, 2},
        {"bearing tab only, no space -> 2", "\t", "100", 0, 2},
        {"bearing 360, distance letters -> 3", "360", "abc", 0, 3}, {"bearing -1 -> 3", "-1", "100", 0, 3},
        {"bearing 359#5 -> 360 -> 3", "359#5", "100", 0, 3}, {"bearing -0#6 -> -1 -> 3", "-0#6", "100", 0, 3},
        {"bearing -99999999999, beyond 32 bits -> 3", "-99999999999", "100", 0, 3},
        {"bearing 0 accepted", "0", "100", 0, 0}, {"bearing 359#4 -> 359 accepted", "359#4", "100", 0, 0},
        {"bearing -0#5 -> 0 accepted", "-0#5", "100", 0, 0}, {"distance of spaces -> 4", "  45  ", "    ", 0, 4},
        {"distance 10m -> 5", "45", "10m", 0, 5}, {"distance 0#5 -> 0 -> 6", "45", "0#5", 0, 6},
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
    // Only spaces are trimmed for the first test; a negative, fractional or large scale
    // passes, and so does one with the other decimal separator, as the legs read.
    const struct { const char *scale; const QString message; } rows[] = {
        {"", none},        {"   ", none},     {"abc", invalid},  {"\t", invalid}, {"2~5~5", invalid},
        {"2~5", {}}, // as a work file written under the other locale holds it
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
        // Not a number: left alone.
        {"", down, nullptr}, {"abc", up, nullptr}, {"1e2", down, nullptr}, {"2~5~5", up, nullptr},
        // The other decimal separator reads, as in a file written under the other locale.
        {"2~5", up, "3"}, {"3~5", down, "3"},
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

void TestRules::compassTable_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<double>("angle");
    QTest::addColumn<PlotPoint>("end");
    QTest::addColumn<PlotPoint>("corner");

    // Pen (300, 200), scale 10, distance 100. The angles read back as exactly the double
    // the arithmetic gives; those of 90, 180 and 270 show the plot's own half-turn.
    const struct { const char *bearing; double angle; PlotPoint end, corner; } rows[] = {
        {"0", -1.570796326794895, {300, 100}, {305, 205}},
        {"30", -1.0471975511965967, {350, 113}, {280, 205}},
        {"45", -0.7853981633974475, {371, 129}, {280, 205}},
        {"90", 0.0, {400, 200}, {305, 205}},
        {"135", 0.7853981633974475, {371, 271}, {280, 180}},
        {"180", 1.570796326794895, {300, 300}, {305, 205}},
        {"225", 2.3561944901923426, {229, 271}, {305, 180}},
        {"270", 3.14159265358979, {200, 200}, {305, 205}},
        {"315", 3.9269908169872374, {229, 129}, {305, 205}},
        {"359", 4.694935687864742, {298, 100}, {305, 205}},
        // A fraction in the bearing counts in the angle, read once, to single.
        {"45#5", -0.77667151713747584, {371, 130}, {280, 205}},
        {"0#4", -1.5638149831553068, {301, 100}, {280, 205}},
        // Outside 0 to 359 the same formula applies.
        {"360", 4.7123889803846852, {300, 100}, {305, 205}},
        {"-90", -3.14159265358979, {200, 200}, {305, 205}},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            const QString bearing = typed(row.bearing, named.locale);
            QTest::addRow("%s: bearing %s -> (%d, %d), label (%d, %d)", named.name, qPrintable(bearing), row.end.x,
                          row.end.y, row.corner.x, row.corner.y)
                    << named.locale << bearing << row.angle << row.end << row.corner;
        }
    }
}

void TestRules::compassTable()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(double, angle);
    QFETCH(PlotPoint, end);
    QFETCH(PlotPoint, corner);

    const auto single = readSingle(bearing, locale);
    COMPARE_EXACT(single ? grau(*single) : NotANumber, angle);
    const CoursePlot plot = plotCourse(thePen, {QStringLiteral("100")}, {bearing}, u"10", locale);
    QCOMPARE(plot.legs.size(), std::size_t(1));
    QCOMPARE(describe(plot.legs.front().to) + describe(plot.legs.front().labelCorner), describe(end) + describe(corner));
}

void TestRules::endPoints_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<PlotPoint>("pen");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("end");

    const struct {
        const char *name;
        PlotPoint pen;
        const char *bearing, *distance, *scale, *end;
    } rows[] = {
        // Bearing 45, distance 100 at other scales.
        {"scale 2#5", thePen, "45", "100", "2#5", "(318, 182)"},
        {"scale 2~5 from a file of the other locale", thePen, "45", "100", "2~5", "(318, 182)"},
        {"scale 100, off the top", thePen, "45", "100", "100", "(1007, -507)"},
        {"scale -10 flips to where bearing 225 ends", thePen, "45", "100", "-10", "(229, 271)"},
        // The distance is taken to a whole number (halves to even) before scaling.
        {"distance 100#5 -> 100", thePen, "90", "100#5", "10", "(400, 200)"},
        {"distance 101#5 -> 102", thePen, "90", "101#5", "10", "(402, 200)"},
        // Ties in the end point go to the even neighbour.
        {"bearing 30 distance 1: x 300#5 -> 300", thePen, "30", "1", "10", "(300, 199)"},
        {"bearing 60 distance 1: y 199#5 -> 200", thePen, "60", "1", "10", "(301, 200)"},
        {"bearing 240 distance 1", thePen, "240", "1", "10", "(299, 200)"},
        {"bearing 0 ends straight above the pen", {0, 0}, "0", "1000", "10", "(0, -1000)"},
        // Texts and values that give no end point.
        {"bearing of letters", thePen, "noventa", "100", "10", "nothing"},
        {"distance 2147483647#5 -> 2147483648 beyond 32 bits", thePen, "45", "2147483647#5", "10", "nothing"},
        {"scale of letters", thePen, "45", "100", "dez", "nothing"},
        {"scale -0", thePen, "45", "100", "-0", "nothing"},
        {"distance 2000000000 at scale 100 ends beyond 32 bits", thePen, "45", "2000000000", "100", "nothing"},
        {"the same going left", thePen, "270", "2000000000", "100", "nothing"},
        {"distance 2147483647 at scale 11 going down", thePen, "180", "2147483647", "11", "nothing"},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const auto &row : rows) {
            QTest::addRow("%s: %s -> %s", named.name, qPrintable(typed(row.name, named.locale)), row.end)
                    << named.locale << row.pen << typed(row.bearing, named.locale) << typed(row.distance, named.locale)
                    << typed(row.scale, named.locale) << QString::fromUtf8(row.end);
        }
        // Numbers too long for a double read as infinity: no angle, no scale comes of them.
        const QString hundred = QStringLiteral("100"), ten = QStringLiteral("10");
        QTest::addRow("%s: bearing of 400 digits", named.name)
                << named.locale << thePen << fourHundredDigits << hundred << ten << QStringLiteral("nothing");
        QTest::addRow("%s: scale of 400 digits", named.name)
                << named.locale << thePen << hundred << hundred << fourHundredDigits << QStringLiteral("nothing");
        // A scale so near zero that its reciprocal overflows: no plotted length.
        QTest::addRow("%s: scale 1e-310", named.name) << named.locale << thePen << hundred << hundred
                << typed("0#", named.locale) + QString(309, u'0') + u'1' << QStringLiteral("nothing");
    }
}

// A leg that does not read under the locale is read with the other decimal separator
// (a file typed under another locale); one that reads in no way, or whose point leaves
// 32 bits, is left out and the course drawn through the others.
void TestRules::legsThatDoNotRead_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("distances");
    QTest::addColumn<QString>("bearings");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("drawn");  // each leg: its end, or "-"
    QTest::addColumn<QString>("unread"); // leg numbers from 0

    const QLocale c = QLocale::c();
    QTest::newRow("C: letters left out, the next leg from the last end")
            << c << "100|50|x|30" << "90|180|90|0" << "10" << "(400, 200) (400, 250) - (400, 220)" << "2";
    QTest::newRow("C: a bearing of letters too") << c << "100|50" << "9O|180" << "10" << "- (300, 250)" << "0";
    QTest::newRow("pt_BR: 100.5 from an English file -> 100") << Brazil << "100.5" << "90" << "10" << "(400, 200)" << "";
    QTest::newRow("C: 100,5 from a Brazilian file -> 100") << c << "100,5" << "90" << "10" << "(400, 200)" << "";
    QTest::newRow("C: 45,5 as a bearing") << c << "100" << "45,5" << "10" << "(371, 130)" << "";
    QTest::newRow("pt_BR: 1.500 from an English file is 1.5 -> 2") << Brazil << "1.500" << "90" << "10" << "(302, 200)" << "";
    QTest::newRow("C: 1.234,5 reads in no way") << c << "1.234,5" << "90" << "10" << "-" << "0";
    QTest::newRow("ar_EG: its own separator, or the point") << QLocale(QStringLiteral("ar_EG")) << u"100\u066B5|100.5"_s
            << "90|90" << "10" << "(400, 200) (500, 200)" << "";
    QTest::newRow("a point beyond 32 bits: left out, and read") << c << "2000000000|100" << "45|90" << "100"
            << "- (1300, 200)" << "";
}

void TestRules::legsThatDoNotRead()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, distances);
    QFETCH(QString, bearings);
    QFETCH(QString, scale);
    const CoursePlot plot = plotCourse(thePen, distances.split(u'|'), bearings.split(u'|'), scale, locale);
    QStringList drawn;
    for (const PlotLeg &leg : plot.legs)
        drawn << (leg.drawn ? describe(leg.to) : QStringLiteral("-"));
    QTEST(drawn.join(u' '), "drawn");
    QStringList unread;
    for (const qsizetype leg : plot.unread)
        unread << QString::number(leg);
    QTEST(unread.join(u' '), "unread");
    // Without drawing, as the start asks when it cannot read the scale.
    QVERIFY(unreadLegs(distances.split(u'|'), bearings.split(u'|'), locale) == plot.unread);
}

void TestRules::unreadLegsMessage_data()
{
    QTest::addColumn<QList<qsizetype>>("unread");
    QTest::addColumn<QString>("message");
    QTest::newRow("none") << QList<qsizetype>{} << QString();
    QTest::newRow("one, counted from 1")
            << QList<qsizetype>{2} << u"O trecho 3 do arquivo de trabalho não pôde ser lido e ficou fora do desenho."_s;
    QTest::newRow("two") << QList<qsizetype>{0, 4}
            << u"Os trechos 1 e 5 do arquivo de trabalho não puderam ser lidos e ficaram fora do desenho."_s;
    QTest::newRow("ten, all listed") << QList<qsizetype>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}
            << u"Os trechos 1, 2, 3, 4, 5, 6, 7, 8, 9 e 10 do arquivo de trabalho não puderam ser lidos e ficaram fora do "
               "desenho."_s;
    QTest::newRow("the first ten, and how many more") << QList<qsizetype>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
            << u"Os trechos 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 e mais 2 do arquivo de trabalho não puderam ser lidos e "
               "ficaram fora do desenho."_s;
}

void TestRules::penStart_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<QString>("pen");

    const QString nothing = QStringLiteral("nothing");
    QTest::newRow("marker at its place (368, 256) -> (373, 261)") << 368.0f << 256.0f << QStringLiteral("(373, 261)");
    QTest::newRow("left 368.5 -> 373.5 -> 374") << 368.5f << 256.0f << QStringLiteral("(374, 261)");
    QTest::newRow("left 369.5 -> 374.5 -> 374") << 369.5f << 256.0f << QStringLiteral("(374, 261)");
    QTest::newRow("top 0.5 -> 5.5 -> 6") << 0.0f << 0.5f << QStringLiteral("(5, 6)");
    QTest::newRow("left -5.5 -> -0.5 -> 0") << -5.5f << 0.0f << QStringLiteral("(0, 5)");
    QTest::newRow("left 3e9 beyond 32 bits -> nothing") << 3e9f << 0.0f << nothing;
    QTest::newRow("infinite left -> nothing") << std::numeric_limits<float>::infinity() << 0.0f << nothing;
    QTest::newRow("NaN top -> nothing") << 0.0f << std::numeric_limits<float>::quiet_NaN() << nothing;
}

void TestRules::labelCorner_data()
{
    QTest::addColumn<PlotPoint>("pen");
    QTest::addColumn<PlotPoint>("end");
    QTest::addColumn<QString>("corner");

    // The label goes to the side of the pen away from where the leg heads: 20 pixels
    // up or left, 5 down or right; a leg along an axis or of no length takes down-right.
    QTest::newRow("heads right and down -> up-left") << thePen << PlotPoint{301, 201} << "(280, 180)";
    QTest::newRow("heads left and down -> up-right") << thePen << PlotPoint{299, 201} << "(305, 180)";
    QTest::newRow("heads right and up -> down-left") << thePen << PlotPoint{301, 199} << "(280, 205)";
    QTest::newRow("heads left and up -> down-right") << thePen << PlotPoint{299, 199} << "(305, 205)";
    QTest::newRow("straight down -> down-right") << thePen << PlotPoint{300, 300} << "(305, 205)";
    QTest::newRow("straight right -> down-right") << thePen << PlotPoint{400, 200} << "(305, 205)";
    QTest::newRow("ends on the pen -> down-right") << thePen << thePen << "(305, 205)";
    // The corner at the edges of the 32-bit range.
    QTest::newRow("up-left reaches INT32_MIN exactly")
            << PlotPoint{int32Min + 20, int32Min + 20} << PlotPoint{0, 0} << "(-2147483648, -2147483648)";
    QTest::newRow("up-left, left below INT32_MIN") << PlotPoint{int32Min + 19, 0} << PlotPoint{0, 10} << "nothing";
    QTest::newRow("down-left, top above INT32_MAX") << PlotPoint{0, int32Max} << PlotPoint{10, 0} << "nothing";
}

// QApplication takes -style out of the arguments it keeps: whether the user asked for a
// style is read before it exists.
void TestRules::styleAsked_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("asked");
    QTest::newRow("none") << QByteArrayList{} << false;
    QTest::newRow("-style, its value apart") << QByteArrayList{"-style", "Fusion"} << true;
    QTest::newRow("--style, its value apart") << QByteArrayList{"-reverse", "--style", "windows"} << true;
    QTest::newRow("-style=") << QByteArrayList{"-style=Fusion"} << true;
    QTest::newRow("--style=") << QByteArrayList{"--style=windowsvista"} << true;
    QTest::newRow("a style sheet is no style") << QByteArrayList{"-stylesheet", "look.qss"} << false;
    QTest::newRow("-style as another option's value") << QByteArrayList{"-platform", "-style"} << false;
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
