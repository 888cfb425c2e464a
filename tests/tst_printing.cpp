// Printing: where the image goes on the sheet, Imprimir on the default printer (on the test
// machine the CUPS queue of scripts/start-cups.sh) and, with no printer, into Documents.

#include "formfixture.h"

#include "app/marker.h"
#include "app/printing.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QtTest>

using trevanto::SystemPrinter;

namespace {

// Set for the child run of this suite that sees no print server.
constexpr char NoPrinter[] = "TREVANTO_TEST_NO_PRINTER";

QByteArray output(const char *tool, const QStringList &arguments)
{
    QProcess process;
    process.start(QString::fromLatin1(tool), arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// The PDF's page drawn at 96 dots to the inch, or a null image when it has not one page.
QImage onePage(const QString &pdf)
{
    if (!QString::fromUtf8(output("pdfinfo", {pdf})).contains(QRegularExpression(QStringLiteral("\nPages: +1\n"))))
        return QImage();
    return QImage::fromData(output("pdftoppm", QStringLiteral("-r 96 -singlefile -png").split(u' ') << pdf));
}

// Whether the PDF is one page that shows the window at its size in inches from the
// printable area's top-left corner, with the red start marker where the window has it.
bool windowOnPage(const QString &pdf, const Form1 &form, const QPageLayout &layout)
{
    const QImage page = onePage(pdf);
    const QPoint at = layout.paintRectPixels(96).topLeft(), end(form.width() - 1, form.height() - 1);
    const auto white = [&](QPoint p) { return qGray(page.pixel(at + p)) > 250; };
    const QColor marker = page.pixelColor(at + form.Picture1->geometry().center());
    return !page.isNull() && white({-3, -3}) && !white({2, 2}) && !white(end - QPoint(2, 2))
            && white(end + QPoint(3, 3)) && marker.red() > 200 && marker.green() < 80 && marker.blue() < 80;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

public:
    // The print server's address is read once per process.
    static void initMain()
    {
        if (qEnvironmentVariableIsSet(NoPrinter)) {
            qputenv("CUPS_SERVER", "/nonexistent/trevanto-test/cups.sock");
            qunsetenv("PRINTER");
            qunsetenv("LPDEST");
            qunsetenv("XDG_CONFIG_HOME");
        }
    }

private slots:
    void placement_data();
    void placement();
    void imprimirPrintsTheWindow();
    void refusedPageGoesToPdf();
    void noPrinterSavesPdfsInDocuments();
};

void TestPrinting::placement_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QPageLayout::Orientation>("sheet");
    QTest::addColumn<QPageLayout::Orientation>("turned");
    QTest::addColumn<QRectF>("placed"); // at 100 dots to the inch

    const auto P = QPageLayout::Portrait, L = QPageLayout::Landscape;
    const QRectF window(0, 0, 659 / 0.96, 503 / 0.96);
    QTest::newRow("window keeps its size") << QSize(659, 503) << 1.0 << P << P << window;
    QTest::newRow("double density, same inches") << QSize(1318, 1006) << 2.0 << P << P << window;
    QTest::newRow("small: landscape sheet kept") << QSize(192, 96) << 1.0 << L << L << QRectF(0, 0, 200, 100);
    QTest::newRow("too wide: turned, shrunk") << QSize(4800, 600) << 1.0 << P << L << QRectF(0, 0, 1000, 125);
    QTest::newRow("too large both ways: kept, shrunk") << QSize(2880, 2880) << 1.0 << P << P << QRectF(0, 0, 750, 750);
}

void TestPrinting::placement()
{
    QFETCH(QSize, pixels);
    QFETCH(qreal, ratio);
    QFETCH(QPageLayout::Orientation, sheet);
    QImage page(pixels, QImage::Format_Mono);
    page.setDevicePixelRatio(ratio);
    const QSizeF inches = SystemPrinter::sizeInInches(page);
    // US Letter with half-inch margins: 7.5 x 10 inches to print on.
    QPageLayout layout(QPageSize(QPageSize::Letter), sheet, QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    layout.setOrientation(SystemPrinter::bestOrientation(inches, layout));
    QTEST(layout.orientation(), "turned");
    const QSizeF area = layout.paintRect(QPageLayout::Inch).size() * 100;
    QTEST(SystemPrinter::placeOnPage(inches, QSizeF(100, 100), area), "placed");
}

void TestPrinting::imprimirPrintsTheWindow()
{
    const QString folder = qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR");
    if (folder.isEmpty())
        QSKIP("TREVANTO_CUPS_PDF_DIR is not set: no CUPS PDF printer (scripts/start-cups.sh needs root)");
    const QStringList before = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    QVERIFY(showActive(*fixture.form));
    QTest::mouseClick(fixture.form->Command4, Qt::LeftButton);
    // No message: the page went to the printer, not into a PDF of the fallback.
    QVERIFY2(fixture.messages.texts.isEmpty(), qPrintable(fixture.messages.texts.join(u'\n')));

    // The queue writes the PDF on its own time: wait for one that pdfinfo reads whole.
    const auto printed = [&] {
        for (const QString &name : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            if (!before.contains(name) && !output("pdfinfo", {QDir(folder).filePath(name)}).isEmpty())
                return QDir(folder).filePath(name);
        return QString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!printed().isEmpty(), 60000);
    const QString pdf = printed();
    const bool right = windowOnPage(pdf, *fixture.form, QPrinter(QPrinterInfo::defaultPrinter()).pageLayout());
    QFile::remove(pdf);
    QVERIFY2(right, "the page does not show the window at its place and size");
}

// A printer that takes no jobs is named, with the print server's reason, and the page
// goes into a PDF in Documents.
void TestPrinting::refusedPageGoesToPdf()
{
    const QByteArray refusing = qgetenv("TREVANTO_REFUSING_PRINTER");
    if (refusing.isEmpty())
        QSKIP("TREVANTO_REFUSING_PRINTER is not set: no CUPS queue that refuses jobs (scripts/start-cups.sh needs root)");
    QTemporaryDir home;
    const QByteArray before = qgetenv("PRINTER");
    qputenv("PRINTER", refusing);
    qputenv("HOME", QFile::encodeName(home.path()));
    SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    QTest::mouseClick(fixture.form->Command4, Qt::LeftButton);
    qputenv("PRINTER", before);
    QCOMPARE(fixture.messages.texts.size(), 1);
    const QString said = fixture.messages.texts.first();
    const QString pdf = QDir(home.path()).filePath(QStringLiteral("Documents/")) + QDir(home.filePath(QStringLiteral("Documents"))).entryList(QDir::Files).value(0);
    QVERIFY2(said.startsWith(QStringLiteral("A impressora %1 recusou a página (").arg(QString::fromLocal8Bit(refusing)))
                     && said.count(QString::fromLocal8Bit(refusing)) == 2 // the server's reason names it too
                     && said.endsWith(QStringLiteral("). A página foi gravada em ") + pdf),
             qPrintable(said));
    QVERIFY(windowOnPage(pdf, *fixture.form, QPrinter().pageLayout()));
}

void TestPrinting::noPrinterSavesPdfsInDocuments()
{
    if (!qEnvironmentVariableIsSet(NoPrinter)) {
        // Run this case again in a child of this suite that sees no print server.
        qputenv(NoPrinter, "1");
        const QStringList thisCase{QString::fromLatin1(QTest::currentTestFunction())};
        const int status = QProcess::execute(QCoreApplication::applicationFilePath(), thisCase);
        qunsetenv(NoPrinter);
        QCOMPARE(status, 0);
        return;
    }
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    const QDir documents(QDir::home().filePath(QStringLiteral("Documents")));
    SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    QTest::mouseClick(fixture.form->Command4, Qt::LeftButton);
    const QStringList first = documents.entryList(QDir::Files);
    QCOMPARE(first.size(), 1);
    QVERIFY(windowOnPage(documents.filePath(first[0]), *fixture.form, QPrinter().pageLayout()));

    QCOMPARE(fixture.messages.texts, QStringList{u"Nenhuma impressora disponível. A página foi gravada em "_qs
                                                 + documents.filePath(first[0])});

    const QDateTime moment(QDate(2024, 3, 9), QTime(7, 5, 2));
    for (const char *name : {"Trevanto-20240309-070502.pdf", "Trevanto-20240309-070502-2.pdf"})
        QCOMPARE(QFileInfo(SystemPrinter::reservePdfPath(documents.path(), moment)).fileName(), QLatin1String(name));
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
