// Tests of the leg arithmetic: the plot angle of a bearing, the first pen position,
// a leg's end point and the corner of its bearing label. The plot is pixel exact,
// so every point here is compared exactly.

#include "plot/geometry.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

using namespace trevanto;

namespace {

struct NamedLocale
{
    const char *name;
    QLocale locale;
};

QList<NamedLocale> bothLocales()
{
    return {{"pt_BR", QLocale(QLocale::Portuguese, QLocale::Brazil)}, {"C", QLocale::c()}};
}

// Returns the pattern with each '#' replaced by the locale's decimal separator and
// each '~' by the other locale's one.
QString typed(const char *pattern, const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    QString text = QString::fromUtf8(pattern);
    text.replace(u'#', comma ? u',' : u'.');
    text.replace(u'~', comma ? u'.' : u',');
    return text;
}

QString describe(const std::optional<PlotPoint> &point)
{
    if (!point)
        return QStringLiteral("nothing");
    return QStringLiteral("(%1, %2)").arg(point->x).arg(point->y);
}

QString describe(PlotPoint point)
{
    return describe(std::optional<PlotPoint>(point));
}

QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}

#define COMPARE_EXACT(actual, expected)                                                             \
    QVERIFY2((actual) == (expected),                                                                \
             QByteArray("got " + exact(actual) + ", expected " + exact(expected)).constData())

// Returns which row of the label rule a corner belongs to, judged by where it sits
// around the pen: 1 up-left, 2 up-right, 3 down-left, 4 down-right, 0 elsewhere.
int labelRow(PlotPoint pen, PlotPoint corner)
{
    const qint64 dx = qint64(corner.x) - pen.x;
    const qint64 dy = qint64(corner.y) - pen.y;
    if (dx == -20 && dy == -20)
        return 1;
    if (dx == 5 && dy == -20)
        return 2;
    if (dx == -20 && dy == 5)
        return 3;
    if (dx == 5 && dy == 5)
        return 4;
    return 0;
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
    void halfTurnIsTheWrittenValue();

    void compassTable_data();
    void compassTable();

    void otherScales_data();
    void otherScales();

    void endPoints_data();
    void endPoints();

    void legAngleReadsTheLocale_data();
    void legAngleReadsTheLocale();

    void penStart_data();
    void penStart();

    void labelCorner_data();
    void labelCorner();

    void unusableInputsGiveNothing_data();
    void unusableInputsGiveNothing();

    void unusableValuesGiveNothing_data();
    void unusableValuesGiveNothing();

    void infiniteBearingGivesNoEndPoint();
};

void TestGeometry::halfTurnIsTheWrittenValue()
{
    COMPARE_EXACT(HalfTurn, 3.14159265358979);
    QVERIFY(HalfTurn < std::numbers::pi);
}

void TestGeometry::compassTable_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<double>("angle");
    QTest::addColumn<PlotPoint>("end");
    QTest::addColumn<PlotPoint>("corner");
    QTest::addColumn<int>("row");

    struct Row
    {
        const char *bearing;
        double angle;
        PlotPoint end;
        PlotPoint corner;
        int row;
    };
    // Pen (300, 200), scale 10, distance 100. The angles are printed so that
    // they read back as exactly the double the arithmetic gives.
    const Row rows[] = {
        {"0", -1.570796326794895, {300, 100}, {305, 205}, 4},
        {"30", -1.0471975511965967, {350, 113}, {280, 205}, 3},
        {"45", -0.7853981633974475, {371, 129}, {280, 205}, 3},
        {"90", 0.0, {400, 200}, {305, 205}, 4},
        {"135", 0.7853981633974475, {371, 271}, {280, 180}, 1},
        {"180", 1.570796326794895, {300, 300}, {305, 205}, 4},
        {"225", 2.3561944901923426, {229, 271}, {305, 180}, 2},
        {"270", 3.14159265358979, {200, 200}, {305, 205}, 4},
        {"315", 3.9269908169872374, {229, 129}, {305, 205}, 4},
        {"359", 4.694935687864742, {298, 100}, {305, 205}, 4},
        // A fraction in the bearing counts in the angle.
        {"45#5", -0.77667151713747584, {371, 130}, {280, 205}, 3},
        {"0#4", -1.5638149831553068, {301, 100}, {280, 205}, 3},
        // Outside 0 to 359 the same formula applies.
        {"360", 4.7123889803846852, {300, 100}, {305, 205}, 4},
        {"720", 10.995574287564265, {300, 100}, {305, 205}, 4},
        {"-90", -3.14159265358979, {200, 200}, {305, 205}, 4},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString bearing = typed(row.bearing, named.locale);
            QTest::addRow("%s: bearing %s -> (%d, %d), label (%d, %d) row %d", named.name,
                          qPrintable(bearing), row.end.x, row.end.y, row.corner.x, row.corner.y,
                          row.row)
                    << named.locale << bearing << row.angle << row.end << row.corner << row.row;
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
    QFETCH(int, row);

    const std::optional<double> computed = legAngle(bearing, locale);
    QVERIFY(computed.has_value());
    COMPARE_EXACT(*computed, angle);

    const std::optional<PlotPoint> endPoint =
            legEndPoint(thePen, QStringLiteral("100"), QStringLiteral("10"), *computed, locale);
    QCOMPARE(describe(endPoint), describe(end));

    const std::optional<PlotPoint> fromValues = legEndPointFromValues(thePen, 100, 10.0, *computed);
    QCOMPARE(describe(fromValues), describe(end));

    const std::optional<PlotPoint> labelAt = trevanto::labelCorner(thePen, end);
    QCOMPARE(describe(labelAt), describe(corner));
    QCOMPARE(labelRow(thePen, *labelAt), row);
}

void TestGeometry::otherScales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<double>("scaleValue");
    QTest::addColumn<PlotPoint>("end");

    struct Row
    {
        const char *scale;
        double value;
        PlotPoint end;
        const char *note;
    };
    // Bearing 45, distance 100, pen (300, 200).
    const Row rows[] = {
        {"1", 1.0, {307, 193}, ""},
        {"2#5", 2.5, {318, 182}, ""},
        {"10", 10.0, {371, 129}, ""},
        {"25", 25.0, {477, 23}, ""},
        {"100", 100.0, {1007, -507}, " (off the top)"},
        {"-10", -10.0, {229, 271}, " (flips to where bearing 225 ends)"},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            const QString scale = typed(row.scale, named.locale);
            QTest::addRow("%s: bearing 45 at scale %s -> (%d, %d)%s", named.name,
                          qPrintable(scale), row.end.x, row.end.y, row.note)
                    << named.locale << scale << row.value << row.end;
        }
    }
}

void TestGeometry::otherScales()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, scale);
    QFETCH(double, scaleValue);
    QFETCH(PlotPoint, end);

    const double angle = legAngleFromBearing(45.0f);
    QCOMPARE(describe(legEndPoint(thePen, QStringLiteral("100"), scale, angle, locale)),
             describe(end));
    QCOMPARE(describe(legEndPointFromValues(thePen, 100, scaleValue, angle)), describe(end));
}

void TestGeometry::endPoints_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<PlotPoint>("pen");
    QTest::addColumn<float>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<PlotPoint>("end");

    struct Row
    {
        const char *name;
        PlotPoint pen;
        float bearing;
        const char *distance;
        const char *scale;
        PlotPoint end;
    };
    const Row rows[] = {
        // The distance is taken to a whole number (halves to even) before scaling.
        {"distance 100#5 -> 100 ends at (400, 200)", thePen, 90.0f, "100#5", "10", {400, 200}},
        {"distance 101#5 -> 102 ends at (402, 200)", thePen, 90.0f, "101#5", "10", {402, 200}},
        {"distance 100#4 -> 100 ends at (400, 200)", thePen, 90.0f, "100#4", "10", {400, 200}},
        {"distance with spaces around", thePen, 90.0f, " 100 ", "10", {400, 200}},
        {"scale with spaces around", thePen, 90.0f, "100", " 10 ", {400, 200}},
        // Ties in the end point go to the even neighbour.
        {"bearing 30 distance 1: x 300#5 -> 300, end (300, 199)", thePen, 30.0f, "1", "10",
         {300, 199}},
        {"bearing 60 distance 1: y 199#5 -> 200, end (301, 200)", thePen, 60.0f, "1", "10",
         {301, 200}},
        {"bearing 240 distance 1: end (299, 200)", thePen, 240.0f, "1", "10", {299, 200}},
        // Bearing 0 ends exactly above the pen.
        {"bearing 0 ends straight above the pen", {0, 0}, 0.0f, "1000", "10", {0, -1000}},
        {"distance 0 ends on the pen", thePen, 45.0f, "0", "10", thePen},
        {"pen elsewhere: marker place (373, 261), bearing 90", {373, 261}, 90.0f, "100", "10",
         {473, 261}},
        {"negative pen, bearing 180", {-50, -60}, 180.0f, "100", "10", {-50, 40}},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            QTest::addRow("%s: %s", named.name, qPrintable(typed(row.name, named.locale)))
                    << named.locale << row.pen << row.bearing << typed(row.distance, named.locale)
                    << typed(row.scale, named.locale) << row.end;
        }
    }
}

void TestGeometry::endPoints()
{
    QFETCH(QLocale, locale);
    QFETCH(PlotPoint, pen);
    QFETCH(float, bearing);
    QFETCH(QString, distance);
    QFETCH(QString, scale);
    QFETCH(PlotPoint, end);

    const double angle = legAngleFromBearing(bearing);
    QCOMPARE(describe(legEndPoint(pen, distance, scale, angle, locale)), describe(end));
}

void TestGeometry::legAngleReadsTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<bool>("number");
    QTest::addColumn<float>("value");

    for (const NamedLocale &named : bothLocales()) {
        const bool comma = named.locale.decimalPoint() == QStringLiteral(",");
        const QString own = comma ? QStringLiteral("45,5") : QStringLiteral("45.5");
        const QString other = comma ? QStringLiteral("45.5") : QStringLiteral("45,5");
        QTest::addRow("%s: bearing %s reads as 45.5", named.name, qPrintable(own))
                << named.locale << own << true << 45.5f;
        QTest::addRow("%s: bearing %s is not a number", named.name, qPrintable(other))
                << named.locale << other << false << 0.0f;
        QTest::addRow("%s: bearing with spaces around", named.name)
                << named.locale << QStringLiteral("  135 ") << true << 135.0f;
        QTest::addRow("%s: bearing of letters is not a number", named.name)
                << named.locale << QStringLiteral("norte") << false << 0.0f;
        QTest::addRow("%s: empty bearing is not a number", named.name)
                << named.locale << QString() << false << 0.0f;
        QTest::addRow("%s: bearing %s read once to single", named.name,
                      qPrintable(typed("0#1", named.locale)))
                << named.locale << typed("0#1", named.locale) << true << 0.1f;
    }
}

void TestGeometry::legAngleReadsTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(bool, number);
    QFETCH(float, value);

    const std::optional<double> angle = legAngle(bearing, locale);
    QCOMPARE(angle.has_value(), number);
    if (number) {
        COMPARE_EXACT(*angle, legAngleFromBearing(value));
        // b - 90 in single precision, then times the half-turn, then over 180.
        const float turned = value - 90.0f;
        COMPARE_EXACT(*angle, (double(turned) * 3.14159265358979) / 180.0);
    }
}

void TestGeometry::penStart_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<PlotPoint>("pen");

    QTest::newRow("marker at its designed place (368, 256) -> (373, 261)")
            << 368.0f << 256.0f << true << PlotPoint{373, 261};
    QTest::newRow("left 368.5 -> 373.5 -> 374") << 368.5f << 256.0f << true << PlotPoint{374, 261};
    QTest::newRow("left 369.5 -> 374.5 -> 374") << 369.5f << 256.0f << true << PlotPoint{374, 261};
    QTest::newRow("top 0.5 -> 5.5 -> 6") << 0.0f << 0.5f << true << PlotPoint{5, 6};
    QTest::newRow("top 1.5 -> 6.5 -> 6") << 0.0f << 1.5f << true << PlotPoint{5, 6};
    QTest::newRow("left 368.4 -> 373") << 368.4f << 256.6f << true << PlotPoint{373, 262};
    QTest::newRow("marker at the origin -> (5, 5)") << 0.0f << 0.0f << true << PlotPoint{5, 5};
    QTest::newRow("negative marker (-10, -20) -> (-5, -15)")
            << -10.0f << -20.0f << true << PlotPoint{-5, -15};
    QTest::newRow("left -5.5 -> -0.5 -> 0") << -5.5f << 0.0f << true << PlotPoint{0, 5};
    QTest::newRow("left 3e9 beyond 32 bits -> nothing") << 3e9f << 0.0f << false << PlotPoint{};
    QTest::newRow("top -3e9 beyond 32 bits -> nothing") << 0.0f << -3e9f << false << PlotPoint{};
    QTest::newRow("infinite left -> nothing")
            << std::numeric_limits<float>::infinity() << 0.0f << false << PlotPoint{};
    QTest::newRow("NaN top -> nothing")
            << 0.0f << std::numeric_limits<float>::quiet_NaN() << false << PlotPoint{};
}

void TestGeometry::penStart()
{
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(bool, inRange);
    QFETCH(PlotPoint, pen);

    const std::optional<PlotPoint> start = trevanto::penStart(left, top);
    QCOMPARE(describe(start), inRange ? describe(pen) : QStringLiteral("nothing"));
}

void TestGeometry::labelCorner_data()
{
    QTest::addColumn<PlotPoint>("pen");
    QTest::addColumn<PlotPoint>("end");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<int>("row");

    // Rows by the order of the tests, each with strict comparisons.
    QTest::newRow("heads right and down -> row 1") << thePen << PlotPoint{301, 201} << true << 1;
    QTest::newRow("heads left and down -> row 2") << thePen << PlotPoint{299, 201} << true << 2;
    QTest::newRow("heads right and up -> row 3") << thePen << PlotPoint{301, 199} << true << 3;
    QTest::newRow("heads left and up -> row 4") << thePen << PlotPoint{299, 199} << true << 4;
    QTest::newRow("straight down (same x) -> row 4") << thePen << PlotPoint{300, 300} << true << 4;
    QTest::newRow("straight up (same x) -> row 4") << thePen << PlotPoint{300, 100} << true << 4;
    QTest::newRow("straight right (same y) -> row 4") << thePen << PlotPoint{400, 200} << true << 4;
    QTest::newRow("straight left (same y) -> row 4") << thePen << PlotPoint{200, 200} << true << 4;
    QTest::newRow("ends on the pen -> row 4") << thePen << thePen << true << 4;
    QTest::newRow("far right and down -> row 1") << thePen << PlotPoint{int32Max, int32Max} << true
                                                 << 1;
    QTest::newRow("far left and up -> row 4") << thePen << PlotPoint{int32Min, int32Min} << true
                                              << 4;
    QTest::newRow("negative pen, right and down -> row 1")
            << PlotPoint{-100, -100} << PlotPoint{-50, -50} << true << 1;

    // Corners at the edges of the 32-bit range.
    QTest::newRow("row 1 at INT32_MIN + 20 reaches INT32_MIN exactly")
            << PlotPoint{int32Min + 20, int32Min + 20} << PlotPoint{0, 0} << true << 1;
    QTest::newRow("row 4 at INT32_MAX - 5 reaches INT32_MAX exactly")
            << PlotPoint{int32Max - 5, int32Max - 5} << PlotPoint{0, 0} << true << 4;
    QTest::newRow("row 1 left below INT32_MIN -> nothing")
            << PlotPoint{int32Min + 19, 0} << PlotPoint{0, 10} << false << 1;
    QTest::newRow("row 1 top below INT32_MIN -> nothing")
            << PlotPoint{0, int32Min} << PlotPoint{10, 0} << false << 1;
    QTest::newRow("row 2 left above INT32_MAX -> nothing")
            << PlotPoint{int32Max - 4, 0} << PlotPoint{0, 10} << false << 2;
    QTest::newRow("row 2 top below INT32_MIN -> nothing")
            << PlotPoint{10, int32Min + 19} << PlotPoint{0, 0} << false << 2;
    QTest::newRow("row 3 left below INT32_MIN -> nothing")
            << PlotPoint{int32Min, 10} << PlotPoint{0, 0} << false << 3;
    QTest::newRow("row 3 top above INT32_MAX -> nothing")
            << PlotPoint{0, int32Max} << PlotPoint{10, 0} << false << 3;
    QTest::newRow("row 4 left above INT32_MAX -> nothing")
            << PlotPoint{int32Max, int32Max} << PlotPoint{0, 0} << false << 4;
    QTest::newRow("row 4 top above INT32_MAX -> nothing")
            << PlotPoint{0, int32Max - 4} << PlotPoint{0, 0} << false << 4;
}

void TestGeometry::labelCorner()
{
    QFETCH(PlotPoint, pen);
    QFETCH(PlotPoint, end);
    QFETCH(bool, inRange);
    QFETCH(int, row);

    const std::optional<PlotPoint> corner = trevanto::labelCorner(pen, end);
    if (!inRange) {
        QCOMPARE(describe(corner), QStringLiteral("nothing"));
        return;
    }
    QVERIFY(corner.has_value());
    QCOMPARE(labelRow(pen, *corner), row);

    const std::int32_t left = (row == 1 || row == 3) ? pen.x - 20 : pen.x + 5;
    const std::int32_t top = (row == 1 || row == 2) ? pen.y - 20 : pen.y + 5;
    QCOMPARE(describe(corner), describe(PlotPoint{left, top}));
}

void TestGeometry::unusableInputsGiveNothing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<float>("bearing");

    struct Row
    {
        const char *name;
        const char *distance;
        const char *scale;
        float bearing;
    };
    const Row rows[] = {
        {"distance of letters", "cem", "10", 45.0f},
        {"empty distance", "", "10", 45.0f},
        {"distance with the other separator", "100~5", "10", 45.0f},
        {"distance 2147483648 beyond 32 bits", "2147483648", "10", 45.0f},
        {"distance 2147483647#5 -> 2147483648 beyond 32 bits", "2147483647#5", "10", 45.0f},
        {"scale of letters", "100", "dez", 45.0f},
        {"empty scale", "100", "", 45.0f},
        {"scale of spaces", "100", "   ", 45.0f},
        {"scale 0", "100", "0", 45.0f},
        {"scale -0", "100", "-0", 45.0f},
        {"scale 0#0", "100", "0#0", 45.0f},
        {"scale with the other separator", "100", "2~5", 45.0f},
        {"distance 2000000000 at scale 100 ends beyond 32 bits", "2000000000", "100", 45.0f},
        {"distance 2000000000 at scale 100 going left ends beyond 32 bits", "2000000000", "100",
         270.0f},
        {"distance 2147483647 at scale 11 going down ends beyond 32 bits", "2147483647", "11",
         180.0f},
    };
    for (const NamedLocale &named : bothLocales()) {
        for (const Row &row : rows) {
            QTest::addRow("%s: %s -> nothing", named.name,
                          qPrintable(typed(row.name, named.locale)))
                    << named.locale << typed(row.distance, named.locale)
                    << typed(row.scale, named.locale) << row.bearing;
        }
        QTest::addRow("%s: scale of 400 digits -> nothing", named.name)
                << named.locale << QStringLiteral("100") << QString(400, u'9') << 45.0f;
    }
}

void TestGeometry::unusableInputsGiveNothing()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, distance);
    QFETCH(QString, scale);
    QFETCH(float, bearing);

    const double angle = legAngleFromBearing(bearing);
    QCOMPARE(describe(legEndPoint(thePen, distance, scale, angle, locale)),
             QStringLiteral("nothing"));
}

void TestGeometry::unusableValuesGiveNothing_data()
{
    QTest::addColumn<PlotPoint>("pen");
    QTest::addColumn<qint32>("distance");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("angle");

    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double right = legAngleFromBearing(90.0f);

    QTest::newRow("scale 0") << thePen << 100 << 0.0 << right;
    QTest::newRow("scale -0") << thePen << 100 << -0.0 << right;
    QTest::newRow("scale NaN") << thePen << 100 << nan << right;
    QTest::newRow("infinite scale") << thePen << 100 << infinity << right;
    QTest::newRow("infinite angle") << thePen << 100 << 10.0 << infinity;
    QTest::newRow("NaN angle") << thePen << 100 << 10.0 << nan;
    QTest::newRow("distance 2000000000 at scale 100") << thePen << 2000000000 << 100.0 << right;
    QTest::newRow("pen at INT32_MAX, one step right") << PlotPoint{int32Max, 0} << 1 << 10.0
                                                      << right;
    QTest::newRow("pen at INT32_MIN, one step left")
            << PlotPoint{int32Min, 0} << 1 << 10.0 << legAngleFromBearing(270.0f);
    QTest::newRow("pen at INT32_MAX, one step down")
            << PlotPoint{0, int32Max} << 1 << 10.0 << legAngleFromBearing(180.0f);
    QTest::newRow("distance INT32_MIN at scale 10 going right")
            << PlotPoint{-1, 0} << qint32(int32Min) << 10.0 << right;
}

void TestGeometry::unusableValuesGiveNothing()
{
    QFETCH(PlotPoint, pen);
    QFETCH(qint32, distance);
    QFETCH(double, scale);
    QFETCH(double, angle);

    QCOMPARE(describe(legEndPointFromValues(pen, distance, scale, angle)),
             QStringLiteral("nothing"));
}

void TestGeometry::infiniteBearingGivesNoEndPoint()
{
    // A bearing of 400 digits reads as a number too large for a single; whatever
    // angle it yields, no end point comes of it.
    const QLocale locale = QLocale::c();
    const std::optional<double> angle = legAngle(QString(400, u'9'), locale);
    if (angle)
        QCOMPARE(describe(legEndPoint(thePen, QStringLiteral("100"), QStringLiteral("10"), *angle,
                                      locale)),
                 QStringLiteral("nothing"));
}

QTEST_APPLESS_MAIN(TestGeometry)

#include "tst_geometry.moc"
