// The main window at twice the pixel density: the controls and the plot keep their
// places in window pixels, while the drawing surface holds two device pixels to each
// of them and the lines stay one window pixel wide and crisp.

#include "formfixture.h"

#include <QApplication>
#include <QScreen>

namespace {

constexpr int Density = 2;

} // namespace

class HighDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), qreal(Density)); }
    void controlsKeepTheirPlaces_data() { addDesignedGeometryRows(); }
    void controlsKeepTheirPlaces();
    void surfaceHasTheScreensDensity();
    void legIsDrawnOnItsWindowPixels();
};

void HighDpiTest::controlsKeepTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    FormFixture fixture;
    fixture.form->Form_Load();
    QVERIFY(showActive(*fixture.form));
    auto *control = fixture.form->findChild<QWidget *>(name);
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
    QVERIFY(showActive(form));
    QCOMPARE(form.surface().devicePixelRatio(), qreal(Density));
    // It covers the client area in window pixels, with two device pixels to each.
    const QSizeF covered = form.surface().deviceIndependentSize();
    QVERIFY(covered.width() >= form.width() && covered.height() >= form.height());
    QCOMPARE(form.surface().width(), qRound(covered.width() * Density));
}

void HighDpiTest::legIsDrawnOnItsWindowPixels()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, "90", "100");
    const QImage &surface = form.surface();
    const QColor background = form.palette().color(QPalette::Button);

    // The leg runs along window row 261 from 373 to 473: device rows 522 and 523 are black
    // all along it, and nothing near it is grey from smoothing.
    QList<int> blackRows;
    for (int y = 255 * Density; y <= 267 * Density + 1; ++y) {
        bool black = true;
        for (int x = 380 * Density; x <= 460 * Density + 1 && black; ++x)
            black = surface.pixelColor(x, y) == QColor(Qt::black);
        if (black)
            blackRows.append(y);
    }
    QCOMPARE(blackRows, QList<int>({522, 523}));
    for (int y = 259 * Density; y < 264 * Density; ++y) {
        for (int x = 380 * Density; x < 461 * Density; ++x) {
            const QColor colour = surface.pixelColor(x, y);
            QVERIFY2(colour == QColor(Qt::black) || colour == background,
                     qPrintable(QStringLiteral("%1 at device %2,%3").arg(colour.name()).arg(x).arg(y)));
        }
    }
    // The finish target is centred on the end: all four device pixels of (473, 261) are green.
    for (int dy = 0; dy < Density; ++dy)
        for (int dx = 0; dx < Density; ++dx)
            QCOMPARE(surface.pixelColor(473 * Density + dx, 261 * Density + dy), Green);
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
