// The user's work across runs: what the main window restores at start and writes at
// every close, through the real work file, and the real program ended by signals.

#include "formfixture.h"

#include "course/legrules.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

using namespace trevanto;

namespace {

const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
// What a window that was not touched writes.
const QByteArray Untouched("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n");

// A regular file's bytes; nothing for anything else, which might block.
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QFile::remove(path()); QFile::remove(path() + QStringLiteral(".bak")); }

    void restart_data();
    void restart();
    void endedBySignals_data();
    void endedBySignals();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("trevanto.ini")); }
    // A window started as the program starts it, on this folder's work file (none if null).
    std::unique_ptr<FormFixture> start(const QByteArray &bytes, const QLocale &locale = QLocale::c())
    {
        if (!bytes.isNull())
            writeAll(path(), bytes);
        auto fixture = std::make_unique<FormFixture>(locale, WorkFileLocation{path(), path()});
        fixture->form->Form_Load();
        return fixture;
    }
    QTemporaryDir m_dir;
};

// What only the window decides at start and close; the bytes and the reader's rules are
// tst_workfile's.
void SessionTest::restart_data()
{
    QTest::addColumn<QByteArray>("file"); // null: none
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<bool>("backup"); // a file not loaded whole: said, and kept as .bak
    QTest::addColumn<QByteArray>("written"); // by FIM

    const QByteArray typed = "DIR= 120;80,5;\r\nMET=45;300;\r\nWIDTH=12000\r\nHEIGHT=9000\r\nESCALA= 12\r\n"
                             "LEFT=200\r\nTOP=150\r\n";
    const auto sized = [](const char *size) { return "DIR=\r\nMET=\r\n" + QByteArray(size) + Untouched.sliced(38); };
    const auto legs = [](int count) {
        return "DIR=" + QByteArray("10;").repeated(count) + "\r\nMET=" + QByteArray("90;").repeated(count) + "\r\n";
    };
    const QSize standard(667, 533);
    QTest::newRow("no file -> not drawn; the first close creates it") << QByteArray() << standard << false << Untouched;
    QTest::newRow("typed work -> restored, written back byte for byte") << typed << QSize(800, 600) << false << typed;
    QTest::newRow("empty file -> as a fresh start, but drawn") << QByteArray("") << standard << false << Untouched;
    QTest::newRow("too small is clamped") << QByteArray("WIDTH=-5\r\nHEIGHT=0\r\n") << QSize(120, 40) << false
                                          << sized("WIDTH=1800\r\nHEIGHT=600\r\n");
    QTest::newRow("too large is clamped, a missing height stays")
            << QByteArray("WIDTH=2000000000\r\n") << QSize(16384, 533) << false
            << sized("WIDTH=245760\r\nHEIGHT=8000\r\n");
    QTest::newRow("more legs than a course holds -> the first ones loaded")
            << legs(MaxLegs + 1) << standard << true << legs(MaxLegs) + Untouched.sliced(12);
    QTest::newRow("a NUL byte -> refused") << QByteArray("DIR=1;\r\nTOP=1\0\r\n", 17) << standard << true << Untouched;
    QTest::newRow("one byte over the size limit -> refused")
            << QByteArray("TOP=1\r\n").leftJustified(MaxWorkFileSize + 1, ' ') << standard << true << Untouched;
}

void SessionTest::restart()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, outer);
    QFETCH(bool, backup);
    QFETCH(QByteArray, written);
    const auto fixture = start(file, brazil);
    Form1 &form = *fixture->form;
    if (file.startsWith("DIR= "))
        QCOMPARE(form.distances().join(u'|') + u' ' + form.bearings().join(u'|'), QStringLiteral(" 120|80,5 45|300"));
    // A file read is drawn at once, from the restored marker.
    if (!backup)
        QCOMPARE(form.lngPenX != 0, !file.isNull());
    QCOMPARE(form.proa.size(), std::size_t(form.distances().size() + 1));
    QCOMPARE(fixture->messages.texts.size(), backup ? 1 : 0);
    QVERIFY(!backup || fixture->messages.texts.first().contains(path() + QStringLiteral(".bak")));
    QVERIFY(showActive(form));
    QCOMPARE(form.frameGeometry(), QRect(QPoint(33, 33), outer));
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    // Only the first save keeps a backup. A closed window gets no second close event: the handler runs here.
    for (int close = 1; close <= 2; ++close) {
        QCOMPARE(readAll(path()), written);
        QVERIFY(readAll(path() + QStringLiteral(".bak")) == (backup ? file : QByteArray()));
        form.Form_QueryUnload();
    }
}

// The real program, ended by signals, in a fresh folder of its own. `setup` runs first
// there, then the program through `sh -c 'export ...; <start>; exec "$0"'`: start sends the
// signals to itself while they are blocked, so they wait for the program's handlers
// and reach its first event loop, the start-up message's when there is one.
void SessionTest::endedBySignals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("start");      // shell builtins only: the shell unblocks signals for any other command
    QTest::addColumn<QByteArray>("program"); // the work file's bytes beside the program
    QTest::addColumn<QByteArray>("data");    // and in the user's data folder
    QTest::addColumn<QStringList>("said");   // on standard error; {P} and {U} stand for those two paths
    QTest::addColumn<int>("status");

    const QStringList notAFile{QStringLiteral("O arquivo de trabalho {P} não foi lido: não é um arquivo comum."),
                               QStringLiteral("O trabalho foi gravado em {U}, porque não foi possível gravá-lo em {P}: "
                                              "não é um arquivo comum.")};
    QTest::newRow("signal while the start-up message is open -> saved beside the program, never shown")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\nESCALA=abc\\r\\n' >trevanto.ini" << "kill -TERM $$"
            << QByteArray("DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=abc\r\nLEFT=368\r\nTOP=256\r\n")
            << QByteArray() << QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")} << 0;
    QTest::newRow("FIFO named trevanto.ini -> never opened nor replaced, saved in the data folder")
            << "mkfifo trevanto.ini" << "kill -HUP $$" << QByteArray() << Untouched << notAFile << 0;
    QTest::newRow("folder named trevanto.ini -> the same")
            << "mkdir trevanto.ini" << "kill -INT $$" << QByteArray() << Untouched << notAFile << 0;
    QTest::newRow("unwritable program folder -> read there, saved in the data folder as when installed")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\n' >trevanto.ini; chmod 555 ." << "kill -TERM $$"
            << QByteArray("DIR=100;\r\nMET=90;\r\n") << "DIR=100;\r\nMET=90;\r\n" + Untouched.sliced(12)
            << QStringList() << 0;
    QTest::newRow("every write fails -> the work is lost and said so, the old file whole")
            << "printf 'TOP=1\\r\\n' >trevanto.ini" << "trap '' XFSZ; ulimit -f 0; kill -TERM $$"
            << QByteArray("TOP=1\r\n") << QByteArray()
            << QStringList{QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em {P} (File too large) "
                                          "nem em {U} (File too large).")}
            << 1;
    QTest::newRow("a second signal -> ends at once, unsaved")
            << "printf 'TOP=1\\r\\n' >trevanto.ini" << "kill -INT $$; kill -TERM $$"
            << QByteArray("TOP=1\r\n") << QByteArray() << QStringList() << 1;
}

void SessionTest::endedBySignals()
{
    QFETCH(QString, setup);
    QFETCH(QString, start);
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, said);
    QFETCH(int, status);

    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("program")), home = root.filePath(QStringLiteral("home"));
    const QString dataDir = root.filePath(QStringLiteral("data"));
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
    sigset_t blocked, before;
    sigemptyset(&blocked);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT})
        sigaddset(&blocked, signalNumber);
    pthread_sigmask(SIG_BLOCK, &blocked, &before);
    const QString exports = QStringLiteral("export HOME='%1' XDG_DATA_HOME='%2' LC_ALL=C QT_QPA_PLATFORM=offscreen; ");
    shell(child, exports.arg(home, dataDir) + start + QStringLiteral("; exec \"$0\""));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    const bool ended = child.waitForFinished(20000);
    if (!ended)
        child.kill();
    QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // to be removed
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(ended && child.exitStatus() == QProcess::NormalExit, errors.constData());

    const QString programFile = programDir + QStringLiteral("/trevanto.ini");
    const QString dataFile = dataDir + QStringLiteral("/Pervona/Trevanto/trevanto.ini");
    const QRegularExpression ours(QStringLiteral("^trevanto: "));
    QStringList told = QString::fromUtf8(errors).split(u'\n').filter(ours).replaceInStrings(ours, QString());
    said.replaceInStrings(QStringLiteral("{P}"), programFile).replaceInStrings(QStringLiteral("{U}"), dataFile);
    QCOMPARE(told, said);
    QVERIFY2(child.exitCode() == status, errors.constData());
    // Nothing else is left: no temporary file, no backup, the FIFO or folder still there.
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(programDir).entryList(all, QDir::Name).join(u' '), QStringLiteral("trevanto trevanto.ini"));
    QDirIterator inData(dataDir, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    QCOMPARE(inData.hasNext() ? inData.next() : QString(), data.isEmpty() ? QString() : dataFile);
    QVERIFY(!inData.hasNext());
    QCOMPARE(readAll(programFile), program);
    QCOMPARE(readAll(dataFile), data);
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
