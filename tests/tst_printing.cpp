// The page placement rules, and a real print on the system's default printer: on the test
// machine a CUPS queue that turns every job into a PDF.

#include "app/printing.h"
#include "printcheck.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using trevanto::PrintOutcome;
using trevanto::SystemPrinter;

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void placeOnPage_data();
    void placeOnPage();
    void sizeInInchesFollowsDevicePixelRatio();
    void bestOrientation_data();
    void bestOrientation();
    void reservePdfPathNeverHandsOutANameTwice();
    void printsOnePageOnDefaultPrinter();
};

void TestPrinting::placeOnPage_data()
{
    QTest::addColumn<QSizeF>("inches");
    QTest::addColumn<QSizeF>("dotsPerInch");
    QTest::addColumn<QSizeF>("printable");
    QTest::addColumn<QSizeF>("expected");

    const QSizeF dpi100(100, 100), sheet(1000, 1500);
    QTest::newRow("window on A4 at 600 dpi keeps its size")
            << QSizeF(659 / 96.0, 503 / 96.0) << QSizeF(600, 600) << QSizeF(4760, 6814)
            << QSizeF(659 * 6.25, 503 * 6.25);
    QTest::newRow("exactly the printable area stays") << QSizeF(10, 15) << dpi100 << sheet << sheet;
    QTest::newRow("too wide shrinks to the width") << QSizeF(20, 2) << dpi100 << sheet << QSizeF(1000, 100);
    QTest::newRow("too tall shrinks to the height") << QSizeF(2, 30) << dpi100 << sheet << QSizeF(100, 1500);
    QTest::newRow("too wide and too tall shrinks to the tighter side")
            << QSizeF(40, 30) << dpi100 << sheet << QSizeF(1000, 750);
    QTest::newRow("unequal resolutions scale each axis") << QSizeF(1, 1) << QSizeF(300, 600) << sheet
                                                         << QSizeF(300, 600);
    QTest::newRow("empty image goes nowhere") << QSizeF(0, 0) << dpi100 << sheet << QSizeF();
    QTest::newRow("no printable area takes nothing") << QSizeF(5, 5) << dpi100 << QSizeF(0, 0) << QSizeF();
}

void TestPrinting::placeOnPage()
{
    QFETCH(QSizeF, inches);
    QFETCH(QSizeF, dotsPerInch);
    QFETCH(QSizeF, printable);
    QFETCH(QSizeF, expected);

    const QRectF target = SystemPrinter::placeOnPage(inches, dotsPerInch, printable);
    if (!expected.isValid()) {
        QVERIFY(target.isEmpty());
        return;
    }
    QCOMPARE(target.topLeft(), QPointF(0, 0));
    QVERIFY2(qAbs(target.width() - expected.width()) < 1e-6 && qAbs(target.height() - expected.height()) < 1e-6,
             qPrintable(QStringLiteral("%1 x %2").arg(target.width()).arg(target.height())));
}

void TestPrinting::sizeInInchesFollowsDevicePixelRatio()
{
    QCOMPARE(SystemPrinter::sizeInInches(printcheck::pattern()), QSizeF(659 / 96.0, 503 / 96.0));
    QImage dense = printcheck::pattern(1318, 1006);
    dense.setDevicePixelRatio(2.0);
    QCOMPARE(SystemPrinter::sizeInInches(dense), QSizeF(659 / 96.0, 503 / 96.0));
}

void TestPrinting::bestOrientation_data()
{
    QTest::addColumn<QSizeF>("inches");
    QTest::addColumn<QPageLayout::Orientation>("layoutOrientation");
    QTest::addColumn<QPageLayout::Orientation>("expected");

    const auto portrait = QPageLayout::Portrait;
    const auto landscape = QPageLayout::Landscape;
    QTest::newRow("window as designed stays portrait") << QSizeF(659 / 96.0, 503 / 96.0) << portrait << portrait;
    QTest::newRow("small page keeps a landscape sheet") << QSizeF(2, 1) << landscape << landscape;
    QTest::newRow("wide window turns the sheet") << QSizeF(15, 9) << portrait << landscape;
    QTest::newRow("tall window turns a landscape sheet") << QSizeF(5, 20) << landscape << portrait;
    QTest::newRow("square too large for both stays") << QSizeF(30, 30) << portrait << portrait;
}

void TestPrinting::bestOrientation()
{
    QFETCH(QSizeF, inches);
    QFETCH(QPageLayout::Orientation, layoutOrientation);
    QFETCH(QPageLayout::Orientation, expected);
    const QPageLayout a4(QPageSize(QPageSize::A4), layoutOrientation, QMarginsF(10, 10, 10, 10),
                         QPageLayout::Millimeter);
    QCOMPARE(SystemPrinter::bestOrientation(inches, a4), expected);
}

void TestPrinting::reservePdfPathNeverHandsOutANameTwice()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDateTime moment(QDate(2024, 3, 9), QTime(7, 5, 2));
    for (const char *name : {"Trevanto-20240309-070502.pdf", "Trevanto-20240309-070502-2.pdf",
                             "Trevanto-20240309-070502-3.pdf"}) {
        const QString reserved = SystemPrinter::reservePdfPath(dir.path(), moment);
        QCOMPARE(reserved, QDir(dir.path()).absoluteFilePath(QString::fromUtf8(name)));
        QVERIFY(QFileInfo::exists(reserved));
    }
    // In a folder that is not there, nothing is reserved and nothing is made.
    const QString missing = dir.filePath(QStringLiteral("not-there"));
    QVERIFY(SystemPrinter::reservePdfPath(missing, moment).isEmpty());
    QVERIFY(!QFileInfo::exists(missing));
}

void TestPrinting::printsOnePageOnDefaultPrinter()
{
    if (const QString missing = printcheck::realPrinterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    const QString folder = qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR");
    const auto before = printcheck::pdfsIn(folder);

    SystemPrinter printer;
    const PrintOutcome outcome = printer.printPage(printcheck::pattern());
    QVERIFY2(outcome.kind == PrintOutcome::Printed, qPrintable(outcome.detail));
    QCOMPARE(outcome.detail, QPrinterInfo::defaultPrinter().printerName());

    const QString printed = printcheck::waitForNewPdf(folder, before);
    QVERIFY2(!printed.isEmpty(), "no PDF came out of the print queue");
    QCOMPARE(printcheck::pageCount(printed), 1);
    const QString wrong = printcheck::halfSizeAtTopLeft(printcheck::firstPage(printed, 48));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QFile::remove(printed);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
