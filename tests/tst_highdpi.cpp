// The main window at twice the pixel density: the controls and the plot keep their
// places in the window's own pixels, while the drawing surface holds two device
// pixels to each of them and the lines stay one window pixel wide and crisp.

#include "formfixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

constexpr int Density = 2;
const QColor Green(0, 192, 0);

void include(Form1 &form, const QString &bearing, const QString &distance)
{
    form.Text4->setText(bearing);
    form.Text3->setText(distance);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
}

// The device pixels that cover window pixel (x, y).
QList<QColor> devicePixels(const QImage &surface, int x, int y)
{
    QList<QColor> colours;
    for (int dy = 0; dy < Density; ++dy) {
        for (int dx = 0; dx < Density; ++dx)
            colours.append(surface.pixelColor(x * Density + dx, y * Density + dy));
    }
    return colours;
}

// The device rows between `top` and `bottom` that are black all the way from device
// column `left` to `right`.
QList<int> blackRows(const QImage &surface, int left, int right, int top, int bottom)
{
    QList<int> rows;
    for (int y = top; y <= bottom; ++y) {
        bool black = true;
        for (int x = left; x <= right && black; ++x)
            black = surface.pixelColor(x, y) == QColor(Qt::black);
        if (black)
            rows.append(y);
    }
    return rows;
}

} // namespace

class HighDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controlsKeepTheirPlaces_data();
    void controlsKeepTheirPlaces();
    void surfaceHasTheScreensDensity();
    void lineStaysOnItsWindowPixels();
    void finishTargetIsCentredOnTheEnd();
    void linesAreCrisp();
};

void HighDpiTest::initTestCase()
{
    QVERIFY(QGuiApplication::primaryScreen());
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), qreal(Density));
}

void HighDpiTest::controlsKeepTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("List2") << "List2" << QRect(8, 24, 41, 134);
    QTest::newRow("List1") << "List1" << QRect(56, 24, 49, 134);
    QTest::newRow("Text4") << "Text4" << QRect(8, 160, 41, 19);
    QTest::newRow("Text3") << "Text3" << QRect(56, 160, 49, 19);
    QTest::newRow("Command1") << "Command1" << QRect(8, 184, 97, 17);
    QTest::newRow("Command5") << "Command5" << QRect(8, 264, 97, 17);
    QTest::newRow("Text2") << "Text2" << QRect(48, 292, 37, 19);
    QTest::newRow("Picture1") << "Picture1" << QRect(368, 256, 9, 9);
    QTest::newRow("Picture2") << "Picture2" << QRect(8, 416, 35, 68);
    QTest::newRow("UpDown1") << "UpDown1" << QRect(83, 292, 16, 19);
    QTest::newRow("Image1") << "Image1" << QRect(8, 320, 94, 94);
    QTest::newRow("Line1") << "Line1" << QRect(112, 48, 297, 1);
}

void HighDpiTest::controlsKeepTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
}

void HighDpiTest::surfaceHasTheScreensDensity()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    // Made before the window is shown, the surface already has the screen's density.
    QCOMPARE(form.surface().devicePixelRatio(), qreal(Density));
    QCOMPARE(form.devicePixelRatioF(), qreal(Density));
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.surface().devicePixelRatio(), qreal(Density));
    // It covers the client area in window pixels, with two device pixels to each.
    const QSizeF covered = form.surface().deviceIndependentSize();
    QVERIFY(covered.width() >= form.width());
    QVERIFY(covered.height() >= form.height());
    QCOMPARE(form.surface().width(), qRound(covered.width() * Density));
}

void HighDpiTest::lineStaysOnItsWindowPixels()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    // The leg runs along window row 261 from 373 to 473: device rows 522 and 523,
    // one window pixel thick.
    const QList<int> rows = blackRows(form.surface(), 380 * Density, 460 * Density + 1, 255 * Density,
                                      267 * Density + 1);
    QCOMPARE(rows, QList<int>({522, 523}));
}

void HighDpiTest::finishTargetIsCentredOnTheEnd()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    for (const QColor &colour : devicePixels(form.surface(), 473, 261))
        QCOMPARE(colour, Green);
}

void HighDpiTest::linesAreCrisp()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    const QColor background = form.palette().color(QPalette::Button);
    // No grey of smoothing anywhere along the leg and the rows next to it.
    for (int y = 259 * Density; y < 264 * Density; ++y) {
        for (int x = 380 * Density; x < 461 * Density; ++x) {
            const QColor colour = form.surface().pixelColor(x, y);
            QVERIFY2(colour == QColor(Qt::black) || colour == background,
                     qPrintable(QStringLiteral("%1 at device %2,%3").arg(colour.name()).arg(x).arg(y)));
        }
    }
}

int main(int argc, char *argv[])
{
    // Twice the density on every screen; read when the application starts.
    qputenv("QT_SCALE_FACTOR", QByteArray::number(Density));
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    HighDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"
