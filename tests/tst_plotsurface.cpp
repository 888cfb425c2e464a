// The drawing surface: lines and rings take the painter's own pixels, in every octant and
// either way round, also when an end lies far outside; a surface of twice the density
// shows the same drawing with every window pixel made a block, one of 125 % to 175 %
// draws even lines at its own resolution; and the main window, on screens of twice the
// density here, draws on a surface of that density.

#include "formfixture.h"
#include "app/marker.h"
#include "plot/coursepainter.h"
#include "plot/plotsurface.h"

#include <QPainter>
#include <QPicture>
#include <QTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(trevanto::PlotPoint)
Q_DECLARE_METATYPE(std::vector<QRect>)
Q_DECLARE_METATYPE(std::vector<qsizetype>)

using namespace trevanto;
using namespace Qt::StringLiterals;

namespace {

constexpr int Density = 2;
const QColor Paper(Qt::white);

// Draws `plot` on a fresh surface of 200 x 160 window pixels, labels left empty, and
// returns what a window of that size shows of it.
QImage drawn(const CoursePlot &plot, qreal ratio = 1)
{
    PlotSurface surface;
    surface.cover(QSize(200, 160), ratio, Paper);
    std::vector<BearingLabel> labels(plot.legs.size());
    const QStringList texts(qsizetype(plot.legs.size()), QString());
    surface.draw(plot, texts, LabelLook{QFont(), Qt::black, Paper}, labels);
    QImage shown(surface.image().size(), QImage::Format_ARGB32_Premultiplied);
    shown.setDevicePixelRatio(ratio);
    QPainter painter(&shown);
    surface.paint(painter, QRect(0, 0, 200, 160));
    return shown;
}

CoursePlot course(std::initializer_list<PlotPoint> points)
{
    CoursePlot plot;
    for (auto it = points.begin(); it + 1 != points.end(); ++it)
        plot.legs.push_back(PlotLeg{*it, *(it + 1), *it});
    return plot;
}

} // namespace

class PlotSurfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void lineIsThePaintersOwn_data();
    void lineIsThePaintersOwn();
    void ringsAreThePaintersOwn();
    void labelIsCutAtTheEdge();
    void denserSurfaceDraws_data();
    void denserSurfaceDraws();
    void labelsInSight_data();
    void labelsInSight();
    void pageSkipsWhatCannotShow();
    void legIsDrawnOnItsWindowPixels()
    {
        // The screen here is 400 window pixels wide and high: the course keeps to it.
        FormFixture fixture;
        Form1 &form = *fixture.form;
        form.Picture1->move(100, 200);
        include(form, "90", "100");
        const QImage &surface = form.surface();
        const QImage shown = form.grab().toImage();
        // Made before the window is shown, the surface already has the screen's density.
        QCOMPARE(surface.devicePixelRatio(), qreal(Density));
        // The leg runs along window row 205 from 105 to 205: device rows 410 and 411 are
        // black all along it, and nothing near it is grey from smoothing.
        QList<int> blackRows;
        for (int y = 203 * Density; y < 208 * Density; ++y) {
            bool black = true;
            for (int x = 112 * Density; x < 193 * Density; ++x) {
                const QColor colour = surface.pixelColor(x, y);
                QVERIFY2(colour == Qt::black || colour == form.palette().button().color(), qPrintable(colour.name()));
                black = black && colour == Qt::black;
            }
            if (black)
                blackRows.append(y);
        }
        QCOMPARE(blackRows, QList<int>({410, 411}));
        // The finish target is centred on the end: all four device pixels of (205, 205) are
        // green, on the surface and where the window shows it.
        for (int d = 0; d < Density * Density; ++d) {
            const QPoint device(205 * Density + d % Density, 205 * Density + d / Density);
            QCOMPARE(surface.pixelColor(device), Green);
            QCOMPARE(shown.pixelColor(device), Green);
        }
    }
};

void PlotSurfaceTest::lineIsThePaintersOwn_data()
{
    QTest::addColumn<PlotPoint>("from");
    QTest::addColumn<PlotPoint>("to");
    QTest::addColumn<QLine>("painted"); // the part inside the surface, as the painter draws it
    const std::pair<const char *, QLine> lines[] = {
        {"shallow, right and down", {10, 20, 170, 75}}, {"shallow, left and up", {170, 75, 10, 20}},
        {"shallow, right and up", {10, 140, 190, 31}}, {"shallow, left and down", {190, 31, 10, 140}},
        {"steep, down and right", {30, 10, 75, 150}}, {"steep, up and left", {75, 150, 30, 10}},
        {"steep, up and right", {20, 150, 61, 5}}, {"steep, down and left", {61, 5, 20, 150}},
        {"half a pixel at every other step, rising", {10, 10, 110, 60}},
        {"half a pixel at every other step, falling", {10, 110, 110, 60}}, {"diagonal", {10, 150, 150, 10}},
        {"leaving by the right edge at once", {199, 80, 300, 90}},
        {"half-pixel steps, coming in from the left", {-40, 20, 160, 120}},
    };
    for (const auto &[name, line] : lines)
        QTest::newRow(name) << PlotPoint{line.x1(), line.y1()} << PlotPoint{line.x2(), line.y2()} << line;
    // Far ends: the visible part is the line through two of its points in the surface.
    QTest::newRow("from two thousand million pixels left")
        << PlotPoint{-2000000000, -399999990} << PlotPoint{150, 40} << QLine(0, 10, 150, 40);
    QTest::newRow("from two thousand million pixels up")
        << PlotPoint{400000040, -1999999990} << PlotPoint{11, 155} << QLine(42, 0, 11, 155);
}

void PlotSurfaceTest::lineIsThePaintersOwn()
{
    QFETCH(PlotPoint, from);
    QFETCH(PlotPoint, to);
    QFETCH(QLine, painted);
    const QImage image = drawn(course({from, to}));
    QImage expected(image.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Paper);
    QPainter painter(&expected);
    painter.setPen(Qt::black);
    painter.drawLine(painted);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            // The finish target covers the line's end.
            if ((std::abs(x - to.x) > 5 || std::abs(y - to.y) > 5) && image.pixel(x, y) != expected.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("differs at %1, %2").arg(x).arg(y)));
        }
    }
}

void PlotSurfaceTest::ringsAreThePaintersOwn()
{
    // Along the grid the painter's one-pixel lines are the same, so the whole picture is;
    // the last circle is cut by the bottom edge.
    const QList<QPoint> corners{{20, 20}, {60, 20}, {60, 60}, {60, 158}, {199, 158}};
    const QImage image = drawn(course({{20, 20}, {60, 20}, {60, 60}, {60, 158}, {199, 158}}));
    QImage painted(image.size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Paper);
    QPainter painter(&painted);
    painter.setPen(Qt::black);
    for (qsizetype i = 1; i < corners.size(); ++i) {
        painter.drawLine(corners[i - 1], corners[i]);
        painter.drawEllipse(corners[i], i + 1 < corners.size() ? 3 : 5, i + 1 < corners.size() ? 3 : 5);
    }
    painter.setPen(FinishGreen);
    for (int radius = 4; radius > 0; --radius)
        painter.drawEllipse(QPoint(199, 158), radius, radius);
    painter.drawPoint(199, 158);
    painter.end();
    QCOMPARE(image, painted);
}

void PlotSurfaceTest::labelIsCutAtTheEdge()
{
    // A label half off the left edge shows the right half of the same picture.
    const QFont font;
    std::vector<BearingLabel> labels(2);
    PlotSurface surface;
    surface.cover(QSize(200, 160), 1, Paper);
    CoursePlot plot = course({{100, 100}, {100, 100}, {100, 100}});
    plot.legs[0].labelCorner = {40, 20};
    plot.legs[1].labelCorner = {-6, 60};
    surface.draw(plot, {QStringLiteral("888"), QStringLiteral("888")}, LabelLook{font, Qt::darkBlue, Paper}, labels);
    const QRect whole = labels[0].rect;
    QCOMPARE(labels[1].rect, whole.translated(-46, 40));
    const QImage shown = surface.image().copy(0, 60, whole.width() - 6, whole.height());
    QImage blank(shown);
    blank.fill(Paper);
    QVERIFY(shown != blank); // the text is drawn
    QCOMPARE(shown, surface.image().copy(46, 20, whole.width() - 6, whole.height()));
    // The label is its text as the painter writes it from its top-left corner, in the
    // window's text colour.
    QImage text(whole.size(), QImage::Format_ARGB32_Premultiplied);
    text.fill(Paper);
    QPainter painter(&text);
    painter.setPen(Qt::darkBlue);
    painter.drawText(text.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("888"));
    painter.end();
    QCOMPARE(surface.image().copy(whole), text);
}

void PlotSurfaceTest::denserSurfaceDraws_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("200 %: each window pixel a block") << 2.0;
    QTest::newRow("125 %: a diagonal leg is an even line") << 1.25;
    QTest::newRow("150 %: a diagonal leg is an even line") << 1.5;
    QTest::newRow("175 %: a diagonal leg is an even line") << 1.75;
}

void PlotSurfaceTest::denserSurfaceDraws()
{
    QFETCH(qreal, ratio);
    if (ratio == std::floor(ratio)) {
        const CoursePlot plot = course({{5, 150}, {120, 7}, {199, 80}, {2, 159}});
        const QImage plain = drawn(plot);
        const QImage dense = drawn(plot, ratio);
        QCOMPARE(dense.size(), plain.size() * ratio);
        for (int y = 0; y < dense.height(); ++y) {
            for (int x = 0; x < dense.width(); ++x)
                QCOMPARE(dense.pixelColor(x, y), plain.pixelColor(int(x / ratio), int(y / ratio)));
        }
        return;
    }
    // A window pixel widened to one device pixel here and two there beads a slanting
    // line: the ink of each device row along it stays within 10 % of the middle one.
    const QImage dense = drawn(course({{20, 20}, {150, 150}}), ratio);
    std::vector<double> inks;
    for (int y = int(40 * ratio); y < int(130 * ratio); ++y) {
        double ink = 0;
        for (int x = 0; x < dense.width(); ++x)
            ink += 1 - qGray(dense.pixel(x, y)) / 255.0;
        inks.push_back(ink);
    }
    std::vector<double> sorted = inks;
    std::sort(sorted.begin(), sorted.end());
    const double middle = sorted[sorted.size() / 2];
    QVERIFY(middle > 1);
    for (std::size_t row = 0; row < inks.size(); ++row)
        QVERIFY2(std::abs(inks[row] - middle) <= 0.1 * middle, qPrintable(QString::number(inks[row]) + u" / "_s + QString::number(middle)));
}

// Twice the density on every screen, set before the application starts and reads it.
[[maybe_unused]] static const bool twiceTheDensity = qputenv("QT_SCALE_FACTOR", QByteArray::number(Density));

void PlotSurfaceTest::labelsInSight_data()
{
    QTest::addColumn<std::vector<QRect>>("rects"); // in drawing order; an empty one is a hidden label
    QTest::addColumn<std::vector<qsizetype>>("inSight");

    const QRect a(10, 10, 30, 13);
    QTest::newRow("one") << std::vector{a} << std::vector<qsizetype>{0};
    QTest::newRow("covered by a later one at its place") << std::vector{a, a, a} << std::vector<qsizetype>{2};
    QTest::newRow("covered by a later larger one") << std::vector{a, a.adjusted(-1, -1, 1, 1)} << std::vector<qsizetype>{1};
    QTest::newRow("one pixel still shows") << std::vector{a, a.adjusted(0, 0, -1, 0)} << std::vector<qsizetype>{0, 1};
    QTest::newRow("covered by two later ones together")
            << std::vector{a, QRect(10, 10, 15, 13), QRect(25, 10, 15, 13)} << std::vector<qsizetype>{1, 2};
    QTest::newRow("a later smaller one leaves it in sight") << std::vector{a, QRect(12, 12, 5, 5)} << std::vector<qsizetype>{0, 1};
    QTest::newRow("hidden labels cover nothing") << std::vector{a, QRect()} << std::vector<qsizetype>{0};
    QTest::newRow("outside the window") << std::vector{QRect(-40, 5, 30, 13), QRect(190, 150, 30, 13)}
                                        << std::vector<qsizetype>{1};
    QTest::newRow("its part in the window covered")
            << std::vector{QRect(-20, 10, 30, 13), QRect(0, 10, 10, 13)} << std::vector<qsizetype>{1};
    QTest::newRow("across a 64-pixel word") << std::vector{QRect(60, 0, 70, 2), QRect(60, 0, 69, 2), QRect(61, 0, 69, 2)}
                                            << std::vector<qsizetype>{1, 2};
}

void PlotSurfaceTest::labelsInSight()
{
    QFETCH(std::vector<QRect>, rects);
    std::vector<BearingLabel> labels;
    for (const QRect &rect : rects)
        labels.push_back(BearingLabel{rect, QStringLiteral("90"), !rect.isEmpty()});
    QTEST(trevanto::labelsInSight(labels, QRect(0, 0, 200, 160)), "inSight");
}

// A course that runs over its own legs, as one that turns in a small space does, puts on
// the page what shows: its page is no larger than the same course run once.
void PlotSurfaceTest::pageSkipsWhatCannotShow()
{
    const auto page = [](int laps) {
        CoursePlot plot;
        std::vector<BearingLabel> labels;
        for (int i = 0; i < 2 * laps; ++i) {
            const PlotPoint from = i % 2 ? PlotPoint{150, 100} : PlotPoint{50, 100};
            const PlotPoint to = i % 2 ? PlotPoint{50, 100} : PlotPoint{150, 100};
            plot.legs.push_back(PlotLeg{from, to, from});
            labels.push_back(BearingLabel{QRect(from.x, 104, 20, 13), QStringLiteral("90"), true});
        }
        QPicture picture;
        QPainter painter(&picture);
        paintCourse(painter, plot, labels, LabelLook{QFont(), Qt::black, Paper}, QRect(0, 0, 200, 160));
        painter.end();
        return picture.size();
    };
    QCOMPARE(page(500), page(2));
}

QTEST_MAIN(PlotSurfaceTest)
#include "tst_plotsurface.moc"
