// The leg arithmetic as the redraw plots a course: the plot angle of a bearing, the first
// pen position, each leg's end point and the corner of its bearing label. The plot is
// pixel exact, so every point is compared exactly.

#include "locales.h"
#include "plot/courseplot.h"

#include <cstdint>
#include <limits>

using namespace trevanto;

namespace {

QString describe(const std::optional<PlotPoint> &point)
{
    return point ? QStringLiteral("(%1, %2)").arg(point->x).arg(point->y) : QStringLiteral("nothing");
}

// Where a course of one leg from `pen` ends, as the redraw plots it.
QString endOf(PlotPoint pen, const QString &bearing, const QString &distance, const QString &scale,
              const QLocale &locale)
{
    const CoursePlot plot = plotCourse(pen, {distance}, {bearing}, scale, locale);
    return describe(plot.legs.empty() ? std::nullopt : std::optional(plot.legs.front().to));
}

constexpr PlotPoint thePen{300, 200};
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();

} // namespace

Q_DECLARE_METATYPE(trevanto::PlotPoint)

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void compassTable_data();
    void compassTable();
    void endPoints_data();
    void endPoints();
    void courseStopsBeforeAnUnusableLeg();
    void penStart_data();
    void penStart();
    void labelCorner_data();
    void labelCorner();
};

void TestGeometry::compassTable_data()
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
        {"  135 ", 0.7853981633974475, {371, 271}, {280, 180}},
        // Outside 0 to 359 the same formula applies.
        {"360", 4.7123889803846852, {300, 100}, {305, 205}},
        {"720", 10.995574287564265, {300, 100}, {305, 205}},
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

void TestGeometry::compassTable()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(double, angle);
    QFETCH(PlotPoint, end);
    QFETCH(PlotPoint, corner);

    const std::optional<double> computed = legAngle(bearing, locale);
    QVERIFY(computed.has_value());
    COMPARE_EXACT(*computed, angle);
    const CoursePlot plot = plotCourse(thePen, {QStringLiteral("100")}, {bearing}, u"10", locale);
    QCOMPARE(plot.legs.size(), std::size_t(1));
    QCOMPARE(describe(plot.legs.front().to), describe(end));
    QCOMPARE(describe(plot.legs.front().labelCorner), describe(corner));
}

void TestGeometry::endPoints_data()
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
        {"scale 1", thePen, "45", "100", "1", "(307, 193)"},
        {"scale 2#5", thePen, "45", "100", "2#5", "(318, 182)"},
        {"scale 100, off the top", thePen, "45", "100", "100", "(1007, -507)"},
        {"scale -10 flips to where bearing 225 ends", thePen, "45", "100", "-10", "(229, 271)"},
        // The distance is taken to a whole number (halves to even) before scaling.
        {"distance 100#5 -> 100", thePen, "90", "100#5", "10", "(400, 200)"},
        {"distance 101#5 -> 102", thePen, "90", "101#5", "10", "(402, 200)"},
        {"distance and scale with spaces around", thePen, "90", " 100 ", " 10 ", "(400, 200)"},
        // Ties in the end point go to the even neighbour.
        {"bearing 30 distance 1: x 300#5 -> 300", thePen, "30", "1", "10", "(300, 199)"},
        {"bearing 60 distance 1: y 199#5 -> 200", thePen, "60", "1", "10", "(301, 200)"},
        {"bearing 240 distance 1", thePen, "240", "1", "10", "(299, 200)"},
        {"bearing 0 ends straight above the pen", {0, 0}, "0", "1000", "10", "(0, -1000)"},
        {"negative pen, bearing 180", {-50, -60}, "180", "100", "10", "(-50, 40)"},
        // Texts and values that give no end point.
        {"bearing of letters", thePen, "noventa", "100", "10", "nothing"},
        {"distance 2147483647#5 -> 2147483648 beyond 32 bits", thePen, "45", "2147483647#5", "10", "nothing"},
        {"scale of letters", thePen, "45", "100", "dez", "nothing"},
        {"scale -0", thePen, "45", "100", "-0", "nothing"},
        {"distance 2000000000 at scale 100 ends beyond 32 bits", thePen, "45", "2000000000", "100", "nothing"},
        {"the same going left", thePen, "270", "2000000000", "100", "nothing"},
        {"distance 2147483647 at scale 11 going down", thePen, "180", "2147483647", "11", "nothing"},
        {"distance -2147483648 going right from x -1", {-1, 0}, "90", "-2147483648", "10", "nothing"},
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

void TestGeometry::endPoints()
{
    QFETCH(QLocale, locale);
    QFETCH(PlotPoint, pen);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(QString, scale);
    QFETCH(QString, end);
    QCOMPARE(endOf(pen, bearing, distance, scale, locale), end);
}

void TestGeometry::courseStopsBeforeAnUnusableLeg()
{
    // Each leg starts where the one before ends; the legs both lists hold are plotted, up
    // to the first that cannot be (only an edited work file can hold one).
    const QStringList bearings{QStringLiteral("90"), QStringLiteral("180"), QStringLiteral("90"), QStringLiteral("0")};
    const CoursePlot plot = plotCourse(thePen, {u"100"_qs, u"50"_qs, u"x"_qs}, bearings, u"10", QLocale::c());
    QCOMPARE(plot.legs.size(), std::size_t(2));
    QCOMPARE(describe(plot.legs[1].from), QStringLiteral("(400, 200)"));
    QCOMPARE(describe(plot.legs[1].to), QStringLiteral("(400, 250)"));
    QCOMPARE(describe(plot.legs[1].labelCorner), QStringLiteral("(405, 205)"));
    QCOMPARE(plotCourse(thePen, {u"100"_qs}, bearings, u"10", QLocale::c()).legs.size(), std::size_t(1));
}

void TestGeometry::penStart_data()
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

void TestGeometry::penStart()
{
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(QString, pen);
    QCOMPARE(describe(trevanto::penStart(left, top)), pen);
}

void TestGeometry::labelCorner_data()
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
    QTest::newRow("down-right reaches INT32_MAX exactly")
            << PlotPoint{int32Max - 5, int32Max - 5} << PlotPoint{0, 0} << "(2147483647, 2147483647)";
    QTest::newRow("up-left, left below INT32_MIN") << PlotPoint{int32Min + 19, 0} << PlotPoint{0, 10} << "nothing";
    QTest::newRow("down-left, top above INT32_MAX") << PlotPoint{0, int32Max} << PlotPoint{10, 0} << "nothing";
}

void TestGeometry::labelCorner()
{
    QFETCH(PlotPoint, pen);
    QFETCH(PlotPoint, end);
    QFETCH(QString, corner);
    QCOMPARE(describe(trevanto::labelCorner(pen, end)), corner);
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
