// The main window at twice the pixel density: its drawing surface holds two device
// pixels to each window pixel, and the lines stay one window pixel wide and crisp.

#include "formfixture.h"

constexpr int Density = 2;

class HighDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void legIsDrawnOnItsWindowPixels()
    {
        FormFixture fixture;
        Form1 &form = *fixture.form;
        include(form, "90", "100");
        const QImage &surface = form.surface();
        const QImage shown = form.grab().toImage();
        // Made before the window is shown, the surface already has the screen's density.
        QCOMPARE(surface.devicePixelRatio(), qreal(Density));
        // The leg runs along window row 261 from 373 to 473: device rows 522 and 523 are
        // black all along it, and nothing near it is grey from smoothing.
        QList<int> blackRows;
        for (int y = 259 * Density; y < 264 * Density; ++y) {
            bool black = true;
            for (int x = 380 * Density; x < 461 * Density; ++x) {
                const QColor colour = surface.pixelColor(x, y);
                QVERIFY2(colour == Qt::black || colour == form.palette().button().color(), qPrintable(colour.name()));
                black = black && colour == Qt::black;
            }
            if (black)
                blackRows.append(y);
        }
        QCOMPARE(blackRows, QList<int>({522, 523}));
        // The finish target is centred on the end: all four device pixels of (473, 261) are
        // green, on the surface and where the window shows it.
        for (int d = 0; d < Density * Density; ++d) {
            const QPoint device(473 * Density + d % Density, 261 * Density + d / Density);
            QCOMPARE(surface.pixelColor(device), Green);
            QCOMPARE(shown.pixelColor(device), Green);
        }
    }
};

// Twice the density on every screen, set before the application starts and reads it.
[[maybe_unused]] static const bool twiceTheDensity = qputenv("QT_SCALE_FACTOR", QByteArray::number(Density));

QTEST_MAIN(HighDpiTest)
#include "tst_highdpi.moc"
