// Imprimir on the real main window, printed through the system's default printer: on
// the test machine a CUPS queue that turns every job into a PDF.

#include "formfixture.h"
#include "printcheck.h"

#include "app/printing.h"

#include <QDir>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>

using namespace trevanto;

class PrintWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void imprimirPrintsOnePage();
};

void PrintWindowTest::imprimirPrintsOnePage()
{
    const QString outFolder = qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR");
    if (outFolder.isEmpty())
        QSKIP("TREVANTO_CUPS_PDF_DIR is not set: no CUPS PDF printer was set up (scripts/start-cups.sh needs root)");
    if (QPrinterInfo::defaultPrinter().isNull())
        QSKIP("the system has no default printer");
    if (!printcheck::hasTool(QStringLiteral("pdfinfo")))
        QSKIP("pdfinfo (poppler-utils) is needed to read the printed page");

    const QStringList pdfFilter{QStringLiteral("*.pdf")};
    QHash<QString, QDateTime> before;
    for (const QFileInfo &info : QDir(outFolder).entryInfoList(pdfFilter, QDir::Files))
        before.insert(info.fileName(), info.lastModified());

    SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Text4->setText(QStringLiteral("90"));
    form.Text3->setText(QStringLiteral("100"));
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    // No message: the page went to the printer, not into a PDF of the fallback.
    QVERIFY2(fixture.messages.texts.isEmpty(), qPrintable(fixture.messages.texts.join(u'\n')));
    QVERIFY2(printer.lastPrinterProblem().isEmpty(), qPrintable(printer.lastPrinterProblem()));
    // Printing changes nothing in the window.
    QCOMPARE(form.bearings().size(), 1);

    QString printed;
    int pages = -1;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QFileInfo &info : QDir(outFolder).entryInfoList(pdfFilter, QDir::Files)) {
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
    QFile::remove(printed);
}

QTEST_MAIN(PrintWindowTest)
#include "tst_printwindow.moc"
