// Imprimir on the real main window, printed through the system's default printer: on the
// test machine a CUPS queue that turns every job into a PDF.

#include "formfixture.h"
#include "printcheck.h"

#include "app/printing.h"

class PrintWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void imprimirPrintsOnePage();
};

void PrintWindowTest::imprimirPrintsOnePage()
{
    if (const QString missing = printcheck::realPrinterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    const QString folder = qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR");
    const auto before = printcheck::pdfsIn(folder);

    trevanto::SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    // No message: the page went to the printer, not into a PDF of the fallback.
    QVERIFY2(fixture.messages.texts.isEmpty(), qPrintable(fixture.messages.texts.join(u'\n')));
    QCOMPARE(form.bearings().size(), 1);

    const QString printed = printcheck::waitForNewPdf(folder, before);
    QVERIFY2(!printed.isEmpty(), "no PDF came out of the print queue");
    QCOMPARE(printcheck::pageCount(printed), 1);
    QFile::remove(printed);
}

QTEST_MAIN(PrintWindowTest)
#include "tst_printwindow.moc"
