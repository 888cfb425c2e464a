// The user's work across runs: what the main window writes at every close and what it
// restores at the next start, through the real work file.

#include "formfixture.h"

#include "app/marker.h"
#include "app/shutdown.h"
#include "course/legrules.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>

using namespace trevanto;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { QFile::remove(path()); QFile::remove(path() + QStringLiteral(".bak")); }

    void firstCloseCreatesTheFile();
    void closingWritesTheExampleBytes_data();
    void closingWritesTheExampleBytes();
    void restartRestoresTheWork();
    void fileSizeIsRestoredAndClamped_data();
    void fileSizeIsRestoredAndClamped();
    void emptyFileStillRedraws();
    void unusableScaleIsReportedAtStart();
    void overfullFileIsKeptAsBackup();
    void refusedFileIsNotLoadedAndKept();
    void failedWriteIsReported();
    void terminationSignalWritesTheWork();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("trevanto.ini")); }
    // A window on the work file of this folder, started as the program starts it.
    std::unique_ptr<FormFixture> start(const QLocale &locale = QLocale::c())
    {
        auto fixture = std::make_unique<FormFixture>(locale, WorkFileLocation{path(), path()});
        fixture->form->Form_Load();
        return fixture;
    }
    QTemporaryDir m_dir;
};

void SessionTest::firstCloseCreatesTheFile()
{
    const auto fixture = start();
    QCOMPARE(fixture->form->lngPenX, 0); // no file: no redraw
    QVERIFY(showActive(*fixture->form));
    QTest::mouseClick(fixture->form->Command5, Qt::LeftButton);
    QVERIFY(!fixture->form->isVisible());
    QCOMPARE(readAll(path()),
             QByteArray("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n"));
}

void SessionTest::closingWritesTheExampleBytes_data()
{
    QTest::addColumn<bool>("withFim");
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("FIM, C locale") << true << QLocale::c();
    QTest::newRow("close box, pt_BR") << false << QLocale(QLocale::Portuguese, QLocale::Brazil);
}

void SessionTest::closingWritesTheExampleBytes()
{
    QFETCH(bool, withFim);
    QFETCH(QLocale, locale);
    const auto fixture = start(locale);
    Form1 &form = *fixture->form;
    QVERIFY(showActive(form));
    include(form, "45", "120");
    include(form, "300", "80");
    form.Form_DragDrop(200, 150);
    if (withFim)
        QTest::mouseClick(form.Command5, Qt::LeftButton);
    else
        form.close();
    const QByteArray bytes = readAll(path());
    QCOMPARE(bytes.size(), 82);
    QCOMPARE(bytes, QByteArray("DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=200\r\n"
                               "TOP=150\r\n"));
}

void SessionTest::restartRestoresTheWork()
{
    const QByteArray typed = "DIR= 120;80,5;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA= 12\r\n"
                             "LEFT=200\r\nTOP=150\r\n";
    writeAll(path(), typed);
    const auto fixture = start(QLocale(QLocale::Portuguese, QLocale::Brazil));
    Form1 &form = *fixture->form;
    QCOMPARE(form.distances(), (QStringList{QStringLiteral(" 120"), QStringLiteral("80,5")}));
    QCOMPARE(form.bearings(), (QStringList{QStringLiteral("45"), QStringLiteral("300")}));
    QCOMPARE(form.Text2->text(), QStringLiteral(" 12"));
    QCOMPARE(form.Picture1->pos(), QPoint(200, 150));
    // The course is drawn at once, from the restored marker.
    QCOMPARE(form.proa.size(), std::size_t(3));
    QVERIFY(fixture->messages.texts.isEmpty());
    QVERIFY(showActive(form));
    QCOMPARE(form.frameGeometry().topLeft(), QPoint(33, 33));
    form.close();
    // Nothing creeps: a close after a start gives the same file, byte for byte.
    QCOMPARE(readAll(path()), typed);
}

void SessionTest::fileSizeIsRestoredAndClamped_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("another size") << QByteArray("WIDTH=12000\r\nHEIGHT=9000\r\n") << QSize(800, 600)
                                  << QByteArray("WIDTH=12000\r\nHEIGHT=9000\r\n");
    QTest::newRow("too small is clamped") << QByteArray("WIDTH=-5\r\nHEIGHT=0\r\n") << QSize(120, 40)
                                          << QByteArray("WIDTH=1800\r\nHEIGHT=600\r\n");
    QTest::newRow("too large is clamped, a missing height stays") << QByteArray("WIDTH=2000000000\r\n")
                                                                  << QSize(16384, 533)
                                                                  << QByteArray("WIDTH=245760\r\nHEIGHT=8000\r\n");
}

void SessionTest::fileSizeIsRestoredAndClamped()
{
    QFETCH(QByteArray, lines);
    QFETCH(QSize, outer);
    QFETCH(QByteArray, written);
    writeAll(path(), lines);
    const auto fixture = start();
    QVERIFY(showActive(*fixture->form));
    QCOMPARE(fixture->form->frameGeometry().size(), outer);
    fixture->form->close();
    QVERIFY(readAll(path()).contains("\r\n" + written));
}

void SessionTest::emptyFileStillRedraws()
{
    writeAll(path(), QByteArray());
    const auto fixture = start();
    // The redraw ran: the pen stands at the marker.
    QCOMPARE(QPoint(fixture->form->lngPenX, fixture->form->lngPenY), QPoint(373, 261));
    QVERIFY(fixture->messages.texts.isEmpty());
}

void SessionTest::unusableScaleIsReportedAtStart()
{
    writeAll(path(), "DIR=100;\r\nMET=90;\r\nESCALA=abc\r\n");
    const auto fixture = start();
    QCOMPARE(fixture->messages.texts, QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")});
    QCOMPARE(fixture->form->proa.size(), std::size_t(1));
    QCOMPARE(fixture->form->distances().size(), 1);
}

void SessionTest::overfullFileIsKeptAsBackup()
{
    QByteArray dirLine = "DIR=";
    for (int i = 0; i <= MaxLegs; ++i)
        dirLine += QByteArray::number(i % 90 + 10) + ';';
    const QByteArray original = dirLine + "\r\nMET=" + QByteArray("90;").repeated(MaxLegs + 1) + "\r\n";
    writeAll(path(), original);
    const auto fixture = start();
    QCOMPARE(fixture->form->distances().size(), MaxLegs);
    QCOMPARE(fixture->messages.texts.size(), 1);
    QVERIFY(fixture->messages.texts.first().contains(QStringLiteral("trevanto.ini.bak")));
    fixture->form->close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    // A second close does not replace the backup with the shortened file.
    fixture->form->close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    QVERIFY(readAll(path()).startsWith("DIR=10;11;"));
}

void SessionTest::refusedFileIsNotLoadedAndKept()
{
    const QByteArray original("DIR=100;\r\nMET=90\0;\r\n", 20);
    writeAll(path(), original);
    const auto fixture = start();
    QCOMPARE(fixture->form->distances().size(), 0);
    QCOMPARE(fixture->messages.texts.size(), 1);
    QCOMPARE(readAll(path()), original);
    fixture->form->close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    QVERIFY(readAll(path()).startsWith("DIR=\r\n"));
}

void SessionTest::failedWriteIsReported()
{
    // A regular file stands where the folder should be: nothing can be written.
    writeAll(m_dir.filePath(QStringLiteral("blocker")), "x");
    const QString target = m_dir.filePath(QStringLiteral("blocker/trevanto.ini"));
    FormFixture fixture(QLocale::c(), WorkFileLocation{target, target});
    QVERIFY(showActive(*fixture.form));
    QTest::mouseClick(fixture.form->Command5, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(target));
    // The close went on all the same.
    QVERIFY(!fixture.form->isVisible());
}

void SessionTest::terminationSignalWritesTheWork()
{
    const auto fixture = start();
    QVERIFY(showActive(*fixture->form));
    include(*fixture->form, "45", "120");
    closeOnTermination(fixture->form.get());
    QVERIFY(!QFile::exists(path()));
    std::raise(SIGTERM);
    QTRY_VERIFY(QFile::exists(path()));
    QVERIFY(readAll(path()).startsWith("DIR=120;\r\nMET=45;\r\n"));
    QVERIFY(!fixture->form->isVisible());
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
