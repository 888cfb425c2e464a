#include "app/printing.h"
#include "printcheck.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QtTest>

using trevanto::PrintOutcome;
using trevanto::SystemPrinter;

// The page placement rules, and a real print on the system's default printer. The real
// print needs a CUPS printer that writes PDFs (cups-pdf), whose output folder is named by
// TREVANTO_CUPS_PDF_DIR; scripts/start-cups.sh sets one up.
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
    void reservePdfPathInMissingFolderIsEmpty();
    void printsOnePageOnDefaultPrinter();
};

void TestPrinting::placeOnPage_data()
{
    QTest::addColumn<QSizeF>("inches");
    QTest::addColumn<QSizeF>("dotsPerInch");
    QTest::addColumn<QSizeF>("printable");
    QTest::addColumn<QSizeF>("expected");

    QTest::newRow("window on A4 at 600 dpi keeps its size")
            << QSizeF(659 / 96.0, 503 / 96.0) << QSizeF(600, 600) << QSizeF(4760, 6814)
            << QSizeF(659 * 6.25, 503 * 6.25);
    QTest::newRow("exactly the printable area stays")
            << QSizeF(10, 15) << QSizeF(100, 100) << QSizeF(1000, 1500) << QSizeF(1000, 1500);
    QTest::newRow("too wide shrinks to the width")
            << QSizeF(20, 2) << QSizeF(100, 100) << QSizeF(1000, 1500) << QSizeF(1000, 100);
    QTest::newRow("too tall shrinks to the height")
            << QSizeF(2, 30) << QSizeF(100, 100) << QSizeF(1000, 1500) << QSizeF(100, 1500);
    QTest::newRow("too wide and too tall shrinks to the tighter side")
            << QSizeF(40, 30) << QSizeF(100, 100) << QSizeF(1000, 1500) << QSizeF(1000, 750);
    QTest::newRow("unequal resolutions scale each axis")
            << QSizeF(1, 1) << QSizeF(300, 600) << QSizeF(1000, 1500) << QSizeF(300, 600);
    QTest::newRow("empty image goes nowhere")
            << QSizeF(0, 0) << QSizeF(600, 600) << QSizeF(4760, 6814) << QSizeF();
    QTest::newRow("no printable area takes nothing")
            << QSizeF(5, 5) << QSizeF(600, 600) << QSizeF(0, 0) << QSizeF();
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
    QVERIFY2(qAbs(target.width() - expected.width()) < 1e-6,
             qPrintable(QString::number(target.width())));
    QVERIFY2(qAbs(target.height() - expected.height()) < 1e-6,
             qPrintable(QString::number(target.height())));
}

void TestPrinting::sizeInInchesFollowsDevicePixelRatio()
{
    const QImage plain = printcheck::pattern();
    QCOMPARE(SystemPrinter::sizeInInches(plain), QSizeF(659 / 96.0, 503 / 96.0));

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
    QTest::newRow("window as designed stays portrait")
            << QSizeF(659 / 96.0, 503 / 96.0) << portrait << portrait;
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

    const QString first = SystemPrinter::reservePdfPath(dir.path(), moment);
    const QString second = SystemPrinter::reservePdfPath(dir.path(), moment);
    const QString third = SystemPrinter::reservePdfPath(dir.path(), moment);

    QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("Trevanto-20240309-070502.pdf"));
    QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("Trevanto-20240309-070502-2.pdf"));
    QCOMPARE(QFileInfo(third).fileName(), QStringLiteral("Trevanto-20240309-070502-3.pdf"));
    QCOMPARE(QFileInfo(first).absolutePath(), QDir(dir.path()).absolutePath());
    QVERIFY(QFileInfo::exists(first));
    QVERIFY(QFileInfo::exists(second));
    QVERIFY(QFileInfo::exists(third));
}

void TestPrinting::reservePdfPathInMissingFolderIsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("not-there"));
    QVERIFY(SystemPrinter::reservePdfPath(missing, QDateTime::currentDateTime()).isEmpty());
    QVERIFY(!QFileInfo::exists(missing));
}

void TestPrinting::printsOnePageOnDefaultPrinter()
{
    const QString outFolder = qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR");
    if (outFolder.isEmpty())
        QSKIP("TREVANTO_CUPS_PDF_DIR is not set: no CUPS PDF printer was set up (scripts/start-cups.sh needs root)");
    if (QPrinterInfo::defaultPrinter().isNull())
        QSKIP("the system has no default printer");
    if (!printcheck::hasTool(QStringLiteral("pdfinfo")) || !printcheck::hasTool(QStringLiteral("pdftoppm")))
        QSKIP("pdfinfo and pdftoppm (poppler-utils) are needed to read the printed page");

    const QStringList pdfFilter{QStringLiteral("*.pdf")};
    // A PDF counts as this page's when it is new or was written again since.
    QHash<QString, QDateTime> before;
    for (const QFileInfo &info : QDir(outFolder).entryInfoList(pdfFilter, QDir::Files))
        before.insert(info.fileName(), info.lastModified());

    SystemPrinter printer;
    const PrintOutcome outcome = printer.printPage(printcheck::pattern());
    QVERIFY2(outcome.kind == PrintOutcome::Printed,
             qPrintable(QStringLiteral("not printed: %1 / %2")
                                .arg(printer.lastPrinterProblem(), outcome.detail)));
    QCOMPARE(outcome.detail, QPrinterInfo::defaultPrinter().printerName());
    QVERIFY(printer.lastPrinterProblem().isEmpty());

    // The print queue converts the job on its own time; the PDF counts once pdfinfo can
    // read it whole.
    QString printed;
    int pages = -1;
    QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QFileInfoList infos = QDir(outFolder).entryInfoList(pdfFilter, QDir::Files);
                for (const QFileInfo &info : infos) {
                    const auto seen = before.constFind(info.fileName());
                    if (seen != before.constEnd() && seen.value() == info.lastModified())
                        continue;
                    printed = info.filePath();
                    pages = printcheck::pageCount(printed);
                    return pages > 0;
                }
                return false;
            }(),
            60000);
    QCOMPARE(pages, 1);

    // Drawn at 48 dpi, the 96-dpi window comes out at half its pixel size, in the top-left
    // part of the sheet, red above and left of blue.
    const QImage sheet = printcheck::firstPage(printed, 48);
    QVERIFY(!sheet.isNull());
    const printcheck::Found found = printcheck::locate(sheet);
    QVERIFY2(qAbs(found.ink.width() - 659 / 2.0) <= 3, qPrintable(QString::number(found.ink.width())));
    QVERIFY2(qAbs(found.ink.height() - 503 / 2.0) <= 3, qPrintable(QString::number(found.ink.height())));
    QVERIFY(found.ink.left() < sheet.width() / 4);
    QVERIFY(found.ink.top() < sheet.height() / 4);
    QVERIFY(!found.red.isEmpty());
    QVERIFY(!found.blue.isEmpty());
    QVERIFY(found.red.right() < found.blue.left());
    QVERIFY(found.red.bottom() < found.blue.top());

    QFile::remove(printed);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
