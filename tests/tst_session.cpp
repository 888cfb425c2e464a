// The user's work across runs: what the main window writes at every close and what
// it restores at the next start, through the real work file.

#include "formfixture.h"

#include "app/marker.h"
#include "app/shutdown.h"
#include "course/legrules.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace trevanto;

namespace {

const QByteArray TwoLegs = "DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=200\r\n"
                           "TOP=150\r\n";

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
    WorkFileLocation location() const { return WorkFileLocation{path(), path()}; }
    QTemporaryDir m_dir;
};

void SessionTest::firstCloseCreatesTheFile()
{
    FormFixture fixture(QLocale::c(), location());
    fixture.form->Form_Load();
    QCOMPARE(fixture.form->lngPenX, 0); // no file: no redraw
    fixture.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture.form.get()));
    QTest::mouseClick(fixture.form->Command5, Qt::LeftButton);
    QVERIFY(!fixture.form->isVisible());
    QCOMPARE(readAll(path()), QByteArray("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\n"
                                         "TOP=256\r\n"));
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
    FormFixture fixture(locale, location());
    Form1 &form = *fixture.form;
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("45"), QStringLiteral("120"));
    include(form, QStringLiteral("300"), QStringLiteral("80"));
    form.Form_DragDrop(200, 150);
    if (withFim)
        QTest::mouseClick(form.Command5, Qt::LeftButton);
    else
        form.close();
    const QByteArray bytes = readAll(path());
    QCOMPARE(bytes.size(), 82);
    QCOMPARE(bytes, TwoLegs);
}

void SessionTest::restartRestoresTheWork()
{
    const QByteArray typed = "DIR= 120;80,5;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA= 12\r\n"
                             "LEFT=200\r\nTOP=150\r\n";
    writeAll(path(), typed);
    FormFixture fixture(QLocale(QLocale::Portuguese, QLocale::Brazil), location());
    Form1 &form = *fixture.form;
    form.Form_Load();
    QCOMPARE(form.distances(), (QStringList{QStringLiteral(" 120"), QStringLiteral("80,5")}));
    QCOMPARE(form.bearings(), (QStringList{QStringLiteral("45"), QStringLiteral("300")}));
    QCOMPARE(form.Text2->text(), QStringLiteral(" 12"));
    QCOMPARE(form.Picture1->pos(), QPoint(200, 150));
    // The course is drawn at once, from the restored marker.
    QCOMPARE(form.proa.size(), std::size_t(3));
    QVERIFY(fixture.messages.texts.isEmpty());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
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
    QTest::newRow("the last of two widths wins") << QByteArray("WIDTH=12000\r\nWIDTH=9000\r\n") << QSize(600, 533)
                                                 << QByteArray("WIDTH=9000\r\nHEIGHT=8000\r\n");
    QTest::newRow("letters are skipped") << QByteArray("WIDTH=abc\r\nHEIGHT=\r\n") << QSize(667, 533)
                                         << QByteArray("WIDTH=10000\r\nHEIGHT=8000\r\n");
    QTest::newRow("too small is clamped") << QByteArray("WIDTH=-5\r\nHEIGHT=0\r\n") << QSize(120, 40)
                                          << QByteArray("WIDTH=1800\r\nHEIGHT=600\r\n");
    QTest::newRow("too large is clamped") << QByteArray("WIDTH=2000000000\r\n") << QSize(16384, 533)
                                          << QByteArray("WIDTH=245760\r\nHEIGHT=8000\r\n");
}

void SessionTest::fileSizeIsRestoredAndClamped()
{
    QFETCH(QByteArray, lines);
    QFETCH(QSize, outer);
    QFETCH(QByteArray, written);
    writeAll(path(), lines);
    FormFixture fixture(QLocale::c(), location());
    fixture.form->Form_Load();
    fixture.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture.form.get()));
    QCOMPARE(fixture.form->frameGeometry().size(), outer);
    fixture.form->close();
    QVERIFY(readAll(path()).contains("\r\n" + written));
}

void SessionTest::emptyFileStillRedraws()
{
    writeAll(path(), QByteArray());
    FormFixture fixture(QLocale::c(), location());
    fixture.form->Form_Load();
    // The redraw ran: the pen stands at the marker.
    QCOMPARE(fixture.form->lngPenX, 373);
    QCOMPARE(fixture.form->lngPenY, 261);
    QVERIFY(fixture.messages.texts.isEmpty());
}

void SessionTest::unusableScaleIsReportedAtStart()
{
    writeAll(path(), "DIR=100;\r\nMET=90;\r\nESCALA=abc\r\n");
    FormFixture fixture(QLocale::c(), location());
    fixture.form->Form_Load();
    QCOMPARE(fixture.messages.texts, QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")});
    QCOMPARE(fixture.form->proa.size(), std::size_t(1));
    QCOMPARE(fixture.form->distances().size(), 1);
}

void SessionTest::overfullFileIsKeptAsBackup()
{
    QByteArray dirLine = "DIR=";
    QByteArray metLine = "MET=";
    for (int i = 0; i <= MaxLegs; ++i) {
        dirLine += QByteArray::number(i % 90 + 10) + ';';
        metLine += "90;";
    }
    const QByteArray original = dirLine + "\r\n" + metLine + "\r\n";
    writeAll(path(), original);
    FormFixture fixture(QLocale::c(), location());
    Form1 &form = *fixture.form;
    form.Form_Load();
    QCOMPARE(form.distances().size(), MaxLegs);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(QStringLiteral("trevanto.ini.bak")));
    form.close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    // A second close does not replace the backup with the shortened file.
    form.close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    QVERIFY(readAll(path()).startsWith("DIR=10;11;"));
}

void SessionTest::refusedFileIsNotLoadedAndKept()
{
    const QByteArray original("DIR=100;\r\nMET=90\0;\r\n", 20);
    writeAll(path(), original);
    FormFixture fixture(QLocale::c(), location());
    Form1 &form = *fixture.form;
    form.Form_Load();
    QCOMPARE(form.distances().size(), 0);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QCOMPARE(readAll(path()), original);
    form.close();
    QCOMPARE(readAll(path() + QStringLiteral(".bak")), original);
    QVERIFY(readAll(path()).startsWith("DIR=\r\n"));
}

void SessionTest::failedWriteIsReported()
{
    // A regular file stands where the folder should be: nothing can be written.
    writeAll(m_dir.filePath(QStringLiteral("blocker")), "x");
    const QString target = m_dir.filePath(QStringLiteral("blocker/trevanto.ini"));
    FormFixture fixture(QLocale::c(), WorkFileLocation{target, target});
    fixture.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture.form.get()));
    QTest::mouseClick(fixture.form->Command5, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(target));
    // The close went on all the same.
    QVERIFY(!fixture.form->isVisible());
}

void SessionTest::terminationSignalWritesTheWork()
{
    FormFixture fixture(QLocale::c(), location());
    Form1 &form = *fixture.form;
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("45"), QStringLiteral("120"));
    closeOnTermination(&form);
    QVERIFY(!QFile::exists(path()));
    std::raise(SIGTERM);
    QTRY_VERIFY(QFile::exists(path()));
    QVERIFY(readAll(path()).startsWith("DIR=120;\r\nMET=45;\r\n"));
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
