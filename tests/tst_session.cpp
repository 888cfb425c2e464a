// The user's work across runs: what the main window writes at every close and what it
// restores at the next start, through the real work file.

#include "formfixture.h"

#include "app/marker.h"
#include "course/legrules.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

using namespace trevanto;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A regular file's bytes; nothing for anything else, which might block.
QByteArray regularBytes(const QString &path)
{
    return QFileInfo(path).isFile() ? readAll(path) : QByteArray();
}

// The program folder's entries, then the files under the data folder; a folder ends
// in "/", anything else that is not a regular file in "|".
QString listing(const QString &programDir, const QString &dataDir)
{
    QStringList names;
    const auto filter = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    for (const QFileInfo &entry : QDir(programDir).entryInfoList(filter, QDir::Name)) {
        const QString mark = entry.isDir() ? QStringLiteral("/") : entry.isFile() ? QString() : QStringLiteral("|");
        names << entry.fileName() + mark;
    }
    QString text = names.join(u' ') + QStringLiteral(", data:");
    QDirIterator data(dataDir, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (data.hasNext())
        text += u' ' + QDir(dataDir).relativeFilePath(data.next());
    return text;
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
    void overfullFileIsKeptAsBackup();
    void endedBySignals_data();
    void endedBySignals();

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

// The real program, ended by signals, in a fresh folder of its own. `setup` runs first
// there, then the program through `sh -c '<start>; exec "$0"'`: the start sends the
// signals to itself while they are blocked, so they wait for the program's handlers
// and reach its first event loop, the start-up message's when there is one.
void SessionTest::endedBySignals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("start");      // shell builtins only: the shell unblocks signals for any other command
    QTest::addColumn<QString>("after");      // see listing()
    QTest::addColumn<QByteArray>("program"); // the work file's bytes beside the program
    QTest::addColumn<QByteArray>("data");    // and in the user's data folder
    QTest::addColumn<QStringList>("said");   // on standard error; {P} and {U} stand for those two paths
    QTest::addColumn<int>("status");

    const QByteArray fresh = "DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n";
    const QStringList notAFile{QStringLiteral("O arquivo de trabalho {P} não foi lido: não é um arquivo comum."),
                               QStringLiteral("O trabalho foi gravado em {U}, porque não foi possível gravá-lo em {P}: "
                                              "não é um arquivo comum.")};
    const QString inData = QStringLiteral(", data: Pervona/Trevanto/trevanto.ini");
    QTest::newRow("signal while the start-up message is open -> saved beside the program, never shown")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\nESCALA=abc\\r\\n' >trevanto.ini" << "kill -TERM $$"
            << "trevanto trevanto.ini, data:"
            << QByteArray("DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=abc\r\nLEFT=368\r\nTOP=256\r\n")
            << QByteArray() << QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")} << 0;
    QTest::newRow("FIFO named trevanto.ini -> never opened nor replaced, saved in the data folder")
            << "mkfifo trevanto.ini" << "kill -HUP $$" << QStringLiteral("trevanto trevanto.ini|") + inData
            << QByteArray() << fresh << notAFile << 0;
    QTest::newRow("folder named trevanto.ini -> the same")
            << "mkdir trevanto.ini" << "kill -INT $$" << QStringLiteral("trevanto trevanto.ini/") + inData
            << QByteArray() << fresh << notAFile << 0;
    QTest::newRow("unwritable program folder -> read there, saved in the data folder as when installed")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\n' >trevanto.ini; chmod 555 ." << "kill -TERM $$"
            << QStringLiteral("trevanto trevanto.ini") + inData << QByteArray("DIR=100;\r\nMET=90;\r\n")
            << QByteArray("DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n")
            << QStringList() << 0;
    QTest::newRow("every write fails -> the work is lost and said so, the old file whole")
            << "printf 'TOP=1\\r\\n' >trevanto.ini" << "trap '' XFSZ; ulimit -f 0; kill -TERM $$"
            << "trevanto trevanto.ini, data:" << QByteArray("TOP=1\r\n") << QByteArray()
            << QStringList{QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em {P} (File too large) "
                                          "nem em {U} (File too large).")}
            << 1;
    QTest::newRow("a second signal -> ends at once, unsaved")
            << "printf 'TOP=1\\r\\n' >trevanto.ini" << "kill -INT $$; kill -TERM $$"
            << "trevanto trevanto.ini, data:" << QByteArray("TOP=1\r\n") << QByteArray() << QStringList() << 1;
}

void SessionTest::endedBySignals()
{
    QFETCH(QString, setup);
    QFETCH(QString, start);
    QFETCH(QString, after);
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, said);
    QFETCH(int, status);

    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("program"));
    const QString dataDir = root.filePath(QStringLiteral("data"));
    const QString home = root.filePath(QStringLiteral("home"));
    for (const QString &dir : {programDir, dataDir, home})
        QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::copy(QStringLiteral(TREVANTO_EXECUTABLE), programDir + QStringLiteral("/trevanto")));
    // Permission bits do not bind root: as root, the setup and the program run as nobody.
    QStringList asUser;
    if (::geteuid() == 0) {
        for (const QString &dir : {root.path(), programDir, dataDir, home})
            QVERIFY(::chown(QFile::encodeName(dir).constData(), 65534, 65534) == 0);
        asUser = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                             QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
    }
    const auto shell = [&](QProcess &process, const QString &script) {
        process.setWorkingDirectory(programDir);
        const QStringList command = asUser + QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script,
                                                         QStringLiteral("./trevanto")};
        process.start(command.first(), command.mid(1));
    };
    QProcess placing;
    shell(placing, setup);
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataDir);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    sigset_t blocked;
    sigset_t before;
    sigemptyset(&blocked);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT})
        sigaddset(&blocked, signalNumber);
    pthread_sigmask(SIG_BLOCK, &blocked, &before);
    shell(child, start + QStringLiteral("; exec \"$0\""));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    const bool ended = child.waitForFinished(20000);
    if (!ended)
        child.kill();
    QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // to be removed
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(ended && child.exitStatus() == QProcess::NormalExit, errors.constData());

    const QString programFile = programDir + QStringLiteral("/trevanto.ini");
    const QString dataFile = dataDir + QStringLiteral("/Pervona/Trevanto/trevanto.ini");
    QStringList told;
    for (const QByteArray &line : errors.split('\n')) {
        if (line.startsWith("trevanto: "))
            told << QString::fromUtf8(line.sliced(10));
    }
    said.replaceInStrings(QStringLiteral("{P}"), programFile).replaceInStrings(QStringLiteral("{U}"), dataFile);
    QCOMPARE(told, said);
    QVERIFY2(child.exitCode() == status, errors.constData());
    QCOMPARE(listing(programDir, dataDir), after);
    QCOMPARE(regularBytes(programFile), program);
    QCOMPARE(regularBytes(dataFile), data);
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
