// Printing: where the image goes on the sheet, Imprimir on the default printer (on the test
// machine the CUPS queue of scripts/start-cups.sh) and, with no printer, into Documents.

#include "formfixture.h"

#include "app/marker.h"
#include "app/printing.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;

using trevanto::SystemPrinter;

namespace {

// Set for the child run of this suite that sees no print server.
constexpr char NoPrinter[] = "TREVANTO_TEST_NO_PRINTER";

// Whether poppler's tools, which read the PDFs back, are there (not on Windows).
bool haveTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

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

// Whether the PDF is one page that shows the window at its size in inches in the middle
// of the printable area, with the red start marker where the window has it.
bool windowOnPage(const QString &pdf, const Form1 &form, const QPageLayout &layout)
{
    const QImage page = onePage(pdf);
    const QRect area = layout.paintRectPixels(96);
    const QPoint at = area.topLeft()
            + SystemPrinter::placeOnPage(SystemPrinter::sizeInInches(form.size()), QSizeF(96, 96), area.size())
                      .topLeft().toPoint();
    const QPoint end(form.width() - 1, form.height() - 1);
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
    void pageDrawnAnew();
    void pageAtPrinterResolution();
    void imprimirPrintsTheWindow();
    void refusedPageGoesToPdf();
    void noPrinterSavesPdfsInDocuments();
};

void TestPrinting::placement_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QPageLayout::Orientation>("sheet");
    QTest::addColumn<QPageLayout::Orientation>("turned");
    QTest::addColumn<QRectF>("placed"); // at 100 dots to the inch

    // US Letter with half-inch margins: 7.5 x 10 inches to print on, or 10 x 7.5.
    const auto P = QPageLayout::Portrait, L = QPageLayout::Landscape;
    const QSizeF window(659 / 0.96, 503 / 0.96);
    QTest::newRow("window keeps its size, in the middle")
            << QSize(659, 503) << P << P << QRectF(QPointF(750 - window.width(), 1000 - window.height()) / 2, window);
    QTest::newRow("small: landscape sheet kept") << QSize(192, 96) << L << L << QRectF(400, 325, 200, 100);
    QTest::newRow("too wide: turned, shrunk") << QSize(4800, 600) << P << L << QRectF(0, 312.5, 1000, 125);
    QTest::newRow("too large both ways: kept, shrunk") << QSize(2880, 2880) << P << P << QRectF(0, 125, 750, 750);
}

void TestPrinting::placement()
{
    QFETCH(QSize, pixels);
    QFETCH(QPageLayout::Orientation, sheet);
    const QSizeF inches = SystemPrinter::sizeInInches(pixels);
    QPageLayout layout(QPageSize(QPageSize::Letter), sheet, QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    layout.setOrientation(SystemPrinter::bestOrientation(inches, layout));
    QTEST(layout.orientation(), "turned");
    const QSizeF area = layout.paintRect(QPageLayout::Inch).size() * 100;
    QTEST(SystemPrinter::placeOnPage(inches, QSizeF(100, 100), area), "placed");
}

// The page is the window drawn anew at the page's size, not its screen picture made
// larger: the course's points where the screen has them, scaled, lines as thin as the
// screen's, and the labels' text.
void TestPrinting::pageDrawnAnew()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, "90", "100");
    include(form, "180", "50");
    const qreal scale = 300 / 96.0;
    QImage page((QSizeF(form.size()) * scale).toSize(), QImage::Format_RGB32);
    QPainter painter(&page);
    painter.scale(scale, scale);
    form.paintClientArea(painter);
    painter.end();
    const auto at = [&](double x, double y) { return page.pixelColor(QPointF(x * scale, y * scale).toPoint()); };
    QCOMPARE(at(420.5, 261.5), QColor(Qt::black)); // the first leg's line, through the pixel centres
    QCOMPARE(at(420.5, 260.3), form.palette().color(QPalette::Button)); // and no thicker than on the screen
    QCOMPARE(at(473.5, 300.5), QColor(Qt::black)); // the second's
    QCOMPARE(at(473.5, 311.5), Green);              // the finish target
    QCOMPARE(at(372.5, 260.5), QColor(Qt::red));    // the start marker
    // The first label, "90", at (378, 266): text, and in the window's text colour.
    int dark = 0;
    for (int y = int(266 * scale); y < int(279 * scale); ++y)
        for (int x = int(378 * scale); x < int(392 * scale); ++x)
            dark += qGray(page.pixel(x, y)) < 100;
    QVERIFY(dark > 30);
}

// On a PDF, the controls and labels are text and the lines are lines: the pictures are
// the logo and the north indicator at eight times their size, and the style's button
// faces, none of them compressed with losses.
void TestPrinting::pageAtPrinterResolution()
{
    if (!haveTools())
        QSKIP("poppler's pdftotext and pdfimages are not on this system: the PDF is not read back");
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, "90", "100");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QCOMPARE(trevanto::paintPage(printer, {form.size(), [&](QPainter &painter) { form.paintClientArea(painter); }}),
             QString());
    const QString text = QString::fromUtf8(output("pdftotext", {pdf, QStringLiteral("-")}));
    for (const char *shown : {"Direção", "Metragem", "Incluir", "Atualizar!", "Imprimir", "FIM", "Trevanto", "Pervona", "90"})
        QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
    const QStringList images = QString::fromUtf8(output("pdfimages", {QStringLiteral("-list"), pdf}))
                                       .split(u'\n', Qt::SkipEmptyParts).mid(2);
    QStringList large;
    for (const QString &image : images) {
        const QStringList fields = image.simplified().split(u' ');
        QVERIFY2(fields.at(8) != u"jpeg", qPrintable(image));
        if (fields.at(2) == u"image" && fields.at(3).toInt() * fields.at(4).toInt() > 97 * 17)
            large << fields.at(3) + u'x' + fields.at(4);
    }
    QCOMPARE(large, (QStringList{u"248x512"_s, u"720x720"_s}));
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
    // Documents follows HOME where the system lets it (not on Windows).
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    const QDir documents(SystemPrinter::pdfFolder());
    const QStringList before = documents.entryList(QDir::Files);
    SystemPrinter printer;
    FormFixture fixture(QLocale::c(), {}, &printer);
    QTest::mouseClick(fixture.form->Command4, Qt::LeftButton);
    QStringList first = documents.entryList(QDir::Files);
    for (const QString &name : before)
        first.removeOne(name);
    QCOMPARE(first.size(), 1);
    QCOMPARE(fixture.messages.texts, QStringList{u"Nenhuma impressora disponível. A página foi gravada em "_s
                                                 + QDir::toNativeSeparators(documents.filePath(first[0]))});

    QTemporaryDir another;
    const QDateTime moment(QDate(2024, 3, 9), QTime(7, 5, 2));
    for (const char *name : {"Trevanto-20240309-070502.pdf", "Trevanto-20240309-070502-2.pdf"})
        QCOMPARE(QFileInfo(SystemPrinter::reservePdfPath(another.path(), moment)).fileName(), QLatin1String(name));

    const QString pdf = documents.filePath(first[0]);
    if (!haveTools()) {
        QFile::remove(pdf);
        QSKIP("poppler's pdfinfo and pdftoppm are not on this system: the page is not read back");
    }
    const bool shown = windowOnPage(pdf, *fixture.form, QPrinter().pageLayout());
    QFile::remove(pdf);
    QVERIFY(shown);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
