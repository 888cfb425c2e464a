// A machine without a usable printer: the page goes into a PDF in the user's documents
// folder. The print server is pointed at a socket that does not exist before anything asks
// for the printer list (which is kept for the whole run), and the home folder is a fresh
// temporary folder for every test.

#include "app/printing.h"
#include "printcheck.h"

#include <QFileInfo>
#include <QtTest>

using trevanto::PrintOutcome;
using trevanto::SystemPrinter;

class TestPrintFallback : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        qputenv("CUPS_SERVER", "/nonexistent/trevanto-test/cups.sock");
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        qunsetenv("XDG_CONFIG_HOME");
    }

private slots:
    void init();
    void cleanup();
    void noPrinterWritesPdfIntoNewDocumentsFolder();
    void largePageShrinksToFitTheSheet();
    void documentsFolderThatCannotBeMadeFails();
    void nullImageFails();

private:
    QString documents() const { return QDir(m_home->path()).filePath(QStringLiteral("Documents")); }

    std::unique_ptr<QTemporaryDir> m_home;
    QByteArray m_savedHome;
};

void TestPrintFallback::init()
{
    QVERIFY(QPrinterInfo::defaultPrinter().isNull());
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_home->path()));
    QCOMPARE(QDir::cleanPath(SystemPrinter::pdfFolder()), QDir::cleanPath(documents()));
}

void TestPrintFallback::cleanup()
{
    qputenv("HOME", m_savedHome);
    m_home.reset();
}

void TestPrintFallback::noPrinterWritesPdfIntoNewDocumentsFolder()
{
    QVERIFY(!QFileInfo::exists(documents()));
    SystemPrinter printer;
    const PrintOutcome outcome = printer.printPage(printcheck::pattern());
    QVERIFY2(outcome.kind == PrintOutcome::SavedAsPdf, qPrintable(outcome.detail));
    const QFileInfo pdf(outcome.detail);
    QCOMPARE(pdf.absolutePath(), QDir(documents()).absolutePath());
    QVERIFY2(QRegularExpression(QStringLiteral("^Trevanto-\\d{8}-\\d{6}\\.pdf$")).match(pdf.fileName()).hasMatch(),
             qPrintable(pdf.fileName()));
    QVERIFY(printcheck::startsLikePdf(pdf.filePath()));

    // A second page in the same second gets a file of its own.
    const PrintOutcome second = printer.printPage(printcheck::pattern());
    QCOMPARE(second.kind, PrintOutcome::SavedAsPdf);
    QVERIFY(second.detail != outcome.detail);
    QVERIFY(printcheck::startsLikePdf(second.detail));
    QCOMPARE(QDir(documents()).entryList(QDir::Files).size(), 2);

    if (const QString missing = printcheck::popplerMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QCOMPARE(printcheck::pageCount(pdf.filePath()), 1);
    const QImage sheet = printcheck::firstPage(pdf.filePath(), 48);
    QVERIFY(sheet.height() > sheet.width());
    const QString wrong = printcheck::halfSizeAtTopLeft(sheet);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestPrintFallback::largePageShrinksToFitTheSheet()
{
    // 4800 x 600 window pixels are 50 x 6.25 inches: wider than any sheet.
    SystemPrinter printer;
    const PrintOutcome outcome = printer.printPage(printcheck::pattern(4800, 600));
    QVERIFY2(outcome.kind == PrintOutcome::SavedAsPdf, qPrintable(outcome.detail));

    if (const QString missing = printcheck::popplerMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QCOMPARE(printcheck::pageCount(outcome.detail), 1);
    const QImage sheet = printcheck::firstPage(outcome.detail, 48);
    QVERIFY(!sheet.isNull());
    const printcheck::Found found = printcheck::locate(sheet);
    // The sheet is turned, and the page spans it between the margins, its shape kept.
    QVERIFY(sheet.width() > sheet.height());
    QVERIFY(found.ink.left() > 0 && found.ink.right() < sheet.width() - 1);
    QVERIFY2(found.ink.width() > sheet.width() * 0.75, qPrintable(QString::number(found.ink.width())));
    const qreal shape = qreal(found.ink.width()) / found.ink.height();
    QVERIFY2(qAbs(shape - 8.0) < 0.5, qPrintable(QString::number(shape)));
    QVERIFY(found.ink.top() < sheet.height() / 4);
}

void TestPrintFallback::documentsFolderThatCannotBeMadeFails()
{
    // A plain file where the documents folder should be: no folder, no PDF.
    QFile blocker(documents());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const PrintOutcome outcome = SystemPrinter().printPage(printcheck::pattern());
    QCOMPARE(outcome.kind, PrintOutcome::Failed);
    QVERIFY(outcome.detail.contains(QDir::toNativeSeparators(documents())));
    QVERIFY(QFileInfo(documents()).isFile());
    QCOMPARE(QDir(m_home->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList());
}

void TestPrintFallback::nullImageFails()
{
    const PrintOutcome outcome = SystemPrinter().printPage(QImage());
    QCOMPARE(outcome.kind, PrintOutcome::Failed);
    QVERIFY(!outcome.detail.isEmpty());
    QVERIFY(!QFileInfo::exists(documents()));
}

QTEST_MAIN(TestPrintFallback)
#include "tst_printfallback.moc"
