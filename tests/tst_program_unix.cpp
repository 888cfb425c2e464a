// The real program on the user's work, in a fresh folder of its own: ended by signals
// at any moment, and a second copy started on the same work. Driven through POSIX
// shells and signals, it runs where they are.

#include "workfile/workfile.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <csignal>
#include <unistd.h>

namespace {

// The work file of a window that was not touched.
const QByteArray Untouched("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n");

// A regular file's bytes; nothing for anything else, which might block.
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real program in a fresh folder of its own, beside its own home and data folders.
// Permission bits do not bind root: as root, the shell and the program run as nobody.
struct ProgramFolder
{
    QTemporaryDir root;
    QString programDir = root.filePath(QStringLiteral("program"));
    QString home = root.filePath(QStringLiteral("home"));
    QString dataDir = root.filePath(QStringLiteral("data"));
    QStringList asUser;

    bool prepare()
    {
        for (const QString &dir : {programDir, dataDir, home}) {
            if (!QDir().mkpath(dir))
                return false;
        }
        if (!QFile::copy(QStringLiteral(TREVANTO_EXECUTABLE), programDir + QStringLiteral("/trevanto")))
            return false;
        if (::geteuid() == 0) {
            for (const QString &dir : {root.path(), programDir, dataDir, home}) {
                if (::chown(QFile::encodeName(dir).constData(), 65534, 65534) != 0)
                    return false;
            }
            asUser = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                 QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
        }
        return true;
    }

    // Runs the script in the program's folder, the program's path as its $0.
    void shell(QProcess &process, const QString &script)
    {
        process.setWorkingDirectory(programDir);
        const QStringList command = asUser + QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script,
                                                         QStringLiteral("./trevanto")};
        process.start(command.first(), command.mid(1));
    }

    // Starts the program through `sh -c 'export ...; <start>; exec "$0"'` with the
    // termination signals blocked: start may send them to itself, and they then wait
    // for the program's handlers and reach its first event loop, the start-up
    // message's when there is one. Start may use shell builtins only: the shell
    // unblocks signals for any other command.
    void startSignalled(QProcess &child, const QString &start)
    {
        sigset_t blocked, before;
        sigemptyset(&blocked);
        for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT})
            sigaddset(&blocked, signalNumber);
        pthread_sigmask(SIG_BLOCK, &blocked, &before);
        const QString exports = QStringLiteral("export HOME='%1' XDG_DATA_HOME='%2' LC_ALL=C QT_QPA_PLATFORM=offscreen; ");
        shell(child, exports.arg(home, dataDir) + start + QStringLiteral("; exec \"$0\""));
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    QString workFile() const { return programDir + QStringLiteral("/trevanto.ini"); }

    // Starts the program as startSignalled() does and waits until it holds the lock of
    // its work file: it runs then.
    bool startRunning(QProcess &program, const QString &start)
    {
        startSignalled(program, start);
        const QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(workFile() + QStringLiteral(".lock"))) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(20);
        }
        return true;
    }
};


} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void endedBySignals_data();
    void endedBySignals();
    void secondCopy();
    void anotherCopysPlace();
    void linkToAnotherCopysFile_data();
    void linkToAnotherCopysFile();
    void lockThatStays();
    void ignoredInterruptStaysIgnored();
};

// The real program, ended by signals, in a fresh folder of its own. `setup` runs first
// there, then the program through `sh -c 'export ...; <start>; exec "$0"'`: start sends the
// signals to itself while they are blocked, so they wait for the program's handlers
// and reach its first event loop, the start-up message's when there is one.
void TestProgram::endedBySignals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("start");      // shell builtins only: the shell unblocks signals for any other command
    QTest::addColumn<QByteArray>("program"); // the work file's bytes beside the program
    QTest::addColumn<QByteArray>("data");    // and in the user's data folder
    QTest::addColumn<QStringList>("said");   // on standard error; {P} and {U} stand for those two paths
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("kept"); // the .bak beside the program; null: none

    const QStringList notAFile{QStringLiteral("O arquivo de trabalho {P} não foi lido: não é um arquivo comum."),
                               QStringLiteral("O trabalho foi gravado em {U}, porque não foi possível gravá-lo em {P}: "
                                              "não é um arquivo comum.")};
    QTest::newRow("signal while the start-up message is open -> saved beside the program, never shown")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\nESCALA=abc\\r\\n' >trevanto.ini" << "kill -TERM $$"
            << QByteArray("DIR=100;\r\nMET=90;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=abc\r\nLEFT=368\r\nTOP=256\r\n")
            << QByteArray() << QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")} << 0 << QByteArray();
    QTest::newRow("FIFO named trevanto.ini -> never opened nor replaced, saved in the data folder")
            << "mkfifo trevanto.ini" << "kill -HUP $$" << QByteArray() << Untouched << notAFile << 0 << QByteArray();
    QTest::newRow("folder named trevanto.ini -> the same")
            << "mkdir trevanto.ini" << "kill -INT $$" << QByteArray() << Untouched << notAFile << 0 << QByteArray();
    QTest::newRow("a work file the user cannot read -> said with the system's reason, kept whole, saved in the data folder")
            << "printf 'DIR=1;\\r\\n' >trevanto.ini; chmod 000 trevanto.ini" << "export LC_ALL=pt_BR.UTF-8; kill -TERM $$"
            << QByteArray("DIR=1;\r\n") << Untouched
            << QStringList{QStringLiteral("O arquivo de trabalho {P} não foi lido: Permissão negada. Antes de ser substituído, "
                                          "ele será guardado como {P}.bak."),
                           QStringLiteral("O trabalho foi gravado em {U}, porque não foi possível gravá-lo em {P}: a cópia "
                                          "de segurança {P}.bak não pôde ser feita: Permissão negada.")}
            << 0 << QByteArray();
    QTest::newRow("unwritable program folder -> read there, saved in the data folder as when installed")
            << "printf 'DIR=100;\\r\\nMET=90;\\r\\n' >trevanto.ini; chmod 555 ." << "kill -TERM $$"
            << QByteArray("DIR=100;\r\nMET=90;\r\n") << "DIR=100;\r\nMET=90;\r\n" + Untouched.sliced(12)
            << QStringList() << 0 << QByteArray();
    QTest::newRow("every write fails -> the work is lost and said so, the old file whole")
            << "printf 'TOP=1\\r\\n' >trevanto.ini" << "trap '' XFSZ; ulimit -f 0; kill -TERM $$"
            << QByteArray("TOP=1\r\n") << QByteArray()
            << QStringList{QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em {P} (File too large) "
                                          "nem em {U} (File too large).")}
            << 1 << QByteArray();
    // A write the disk cuts short (here the file size limit, at 512 bytes) gives the system's
    // reason, in the user's language: never an unknown error.
    const QByteArray items = QByteArray("10;").repeated(200);
    const QByteArray course = "DIR=" + items + "\r\nMET=" + items + "\r\n";
    QTest::newRow("a write cut short -> the system's reason, in Portuguese")
            << "l=; i=0; while [ $i -lt 200 ]; do l=\"${l}10;\"; i=$((i+1)); done; printf 'DIR=%s\\r\\nMET=%s\\r\\n' \"$l\" \"$l\" >trevanto.ini"
            << "export LC_ALL=pt_BR.UTF-8; trap '' XFSZ; ulimit -f 1; kill -TERM $$" << course << QByteArray()
            << QStringList{QStringLiteral("O trabalho foi perdido: não foi possível gravá-lo em {P} (Arquivo muito grande) "
                                          "nem em {U} (Arquivo muito grande).")}
            << 1 << QByteArray();
    // Standard error a pipe whose reader is gone, as a closed terminal's: the start-up's
    // message is written there in vain, and the program saves all the same.
    QTest::newRow("standard error a broken pipe -> no SIGPIPE, saved")
            << "printf 'ESCALA=abc\\r\\n' >trevanto.ini; mkfifo ../pipe"
            << "(exec 0<../pipe) & exec 2>../pipe; kill -TERM $$"
            << QByteArray("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=abc\r\nLEFT=368\r\nTOP=256\r\n")
            << QByteArray() << QStringList() << 0 << QByteArray();
    // The system's locale decides the decimal separator when the program is given none.
    const QByteArray wider("DIR=\r\nMET=\r\nWIDTH=12000\r\n" + Untouched.sliced(25));
    QTest::newRow("Brazilian system -> 12000,4 is a width") << "printf 'WIDTH=12000,4\\r\\n' >trevanto.ini"
            << "export LC_ALL=pt_BR.UTF-8; kill -TERM $$" << wider << QByteArray() << QStringList() << 0 << QByteArray();
    // A lock left by a copy that ended without removing it: its process is gone.
    QTest::newRow("a lock whose owner is gone -> taken over") << "printf '2147483646\\ntrevanto\\n\\n' >trevanto.ini.lock"
            << "kill -TERM $$" << Untouched << QByteArray() << QStringList() << 0 << QByteArray();
    // Locks no running copy holds: taken over, whatever stands at their name; nothing
    // that is not a file is opened.
    QTest::newRow("an empty lock -> taken over") << ": >trevanto.ini.lock" << "kill -TERM $$" << Untouched
            << QByteArray() << QStringList() << 0 << QByteArray();
    QTest::newRow("a damaged lock -> taken over") << "printf 'x\\0y' >trevanto.ini.lock" << "kill -TERM $$"
            << Untouched << QByteArray() << QStringList() << 0 << QByteArray();
    QTest::newRow("a folder named as the lock -> removed, taken over") << "mkdir trevanto.ini.lock" << "kill -HUP $$"
            << Untouched << QByteArray() << QStringList() << 0 << QByteArray();
    QTest::newRow("a dangling link named as the lock -> removed, taken over") << "ln -s nowhere trevanto.ini.lock"
            << "kill -INT $$" << Untouched << QByteArray() << QStringList() << 0 << QByteArray();
    QTest::newRow("a FIFO named as the lock -> never opened, taken over") << "mkfifo trevanto.ini.lock"
            << "kill -TERM $$" << Untouched << QByteArray() << QStringList() << 0 << QByteArray();
    QTest::newRow("a lock from another computer -> said, with the computer and since when, then taken over")
            << "printf '4242\\ntrevanto\\nlaptop-da-equipe\\nnot-this-one\\nboot\\n' >trevanto.ini.lock; "
               "touch -d '2026-03-01 08:30 UTC' trevanto.ini.lock"
            << "export TZ=UTC; kill -TERM $$" << Untouched << QByteArray()
            << QStringList{QStringLiteral("O percurso gravado em {P} ficou marcado como aberto no computador "
                                          "laptop-da-equipe desde 01/03/2026 08:30 (na trava {P}.lock). Se o Trevanto "
                                          "ainda estiver aberto lá, feche-o lá sem continuar o trabalho: daqui em diante "
                                          "ele é gravado por este computador.")}
            << 0 << QByteArray();
    // A number that does not read under the system's locale reads with the other separator.
    QTest::newRow("C system -> 12000,4 is a width all the same") << "printf 'WIDTH=12000,4\\r\\n' >trevanto.ini"
            << "kill -TERM $$" << wider << QByteArray() << QStringList() << 0 << QByteArray();
}

void TestProgram::endedBySignals()
{
    QFETCH(QString, setup);
    QFETCH(QString, start);
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, said);
    QFETCH(int, status);
    QFETCH(QByteArray, kept);
    if (start.contains(QStringLiteral("LC_ALL=pt_BR")) && !std::setlocale(LC_MESSAGES, "pt_BR.UTF-8"))
        QSKIP("the locale pt_BR.UTF-8 is not installed here (scripts/install-deps.sh --test makes it)");
    std::setlocale(LC_MESSAGES, "C");

    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString &programDir = folder.programDir;
    const QString &dataDir = folder.dataDir;
    QProcess placing;
    folder.shell(placing, setup);
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);

    QProcess child;
    folder.startSignalled(child, start);
    const bool ended = child.waitForFinished(20000);
    if (!ended)
        child.kill();
    QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // to be removed
    if (setup.contains(QStringLiteral("chmod 000 trevanto.ini"))) // to be read here
        QFile::setPermissions(programDir + QStringLiteral("/trevanto.ini"), QFile::ReadOwner | QFile::WriteOwner);
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
    QCOMPARE(QDir(programDir).entryList(all, QDir::Name).join(u' '),
             QStringLiteral("trevanto trevanto.ini") + (kept.isNull() ? QString() : QStringLiteral(" trevanto.ini.bak")));
    QCOMPARE(readAll(programFile + QStringLiteral(".bak")), kept);
    QDirIterator inData(dataDir, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    QCOMPARE(inData.hasNext() ? inData.next() : QString(), data.isEmpty() ? QString() : dataFile);
    QVERIFY(!inData.hasNext());
    QCOMPARE(readAll(programFile), program);
    QCOMPARE(readAll(dataFile), data);
}

// A second start on the work file a running copy edits says so and ends at once, status
// 0, the file untouched; the first copy goes on and saves as ever.
void TestProgram::secondCopy()
{
    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString file = folder.workFile();
    QProcess placing;
    folder.shell(placing, QStringLiteral("printf 'DIR=100;\\r\\nMET=90;\\r\\n' >trevanto.ini"));
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);
    QProcess first;
    QVERIFY(folder.startRunning(first, QStringLiteral(":")));

    QProcess second;
    folder.startSignalled(second, QStringLiteral("kill -TERM $$"));
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(second.readAllStandardError()).split(u'\n').filter(QStringLiteral("trevanto: ")),
             QStringList{QStringLiteral("trevanto: O Trevanto já está aberto com este percurso, que é gravado em %1. "
                                        "Continue o trabalho na janela que já está aberta.").arg(file)});
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(readAll(file), QByteArray("DIR=100;\r\nMET=90;\r\n"));

    first.terminate();
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(readAll(file), "DIR=100;\r\nMET=90;\r\n" + Untouched.sliced(12));
    QVERIFY(!QFileInfo::exists(file + QStringLiteral(".lock")));
}

// A copy beside its program, while another copy (an installed one) runs on the user's
// data folder, keeps to its own folder: it neither reads, nor retires, nor writes the
// other copy's file there, however new.
void TestProgram::anotherCopysPlace()
{
    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString dataFile = folder.dataDir + QStringLiteral("/Pervona/Trevanto/trevanto.ini");
    QProcess placing;
    folder.shell(placing, QStringLiteral("mkdir -p '%1' && printf 'DIR=5;\\r\\nMET=5;\\r\\n' >'%2'")
                                  .arg(QFileInfo(dataFile).absolutePath(), dataFile));
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);
    QLockFile otherCopy(dataFile + QStringLiteral(".lock"));
    QVERIFY(otherCopy.tryLock(0));

    QProcess program;
    folder.startSignalled(program, QStringLiteral("kill -TERM $$"));
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(readAll(dataFile), QByteArray("DIR=5;\r\nMET=5;\r\n"));
    QVERIFY(!QFileInfo::exists(dataFile + QStringLiteral(".bak")));
    QCOMPARE(readAll(folder.workFile()), Untouched);
}

// A work file that is a link of the user's own to a file another copy edits (its home,
// or another folder's link to it) is that copy's work: the start says so and ends. So is
// the data folder's, when another copy holds it and the link leads into a folder this
// copy cannot write: it would have nowhere to save.
void TestProgram::linkToAnotherCopysFile_data()
{
    QTest::addColumn<bool>("readOnly"); // the folder the link leads into
    QTest::newRow("a link to the file another copy edits -> that copy's work") << false;
    QTest::newRow("a link into a folder it cannot write, the data folder another copy's -> that copy's work") << true;
}

void TestProgram::linkToAnotherCopysFile()
{
    QFETCH(bool, readOnly);
    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString shared = folder.home + QStringLiteral("/shared/trevanto.ini");
    const QString dataFile = folder.dataDir + QStringLiteral("/Pervona/Trevanto/trevanto.ini");
    QProcess placing;
    folder.shell(placing, QStringLiteral("mkdir -p '%1' '%3' && printf 'DIR=5;\\r\\nMET=5;\\r\\n' >'%2' && ln -s '%2' trevanto.ini%4")
                                  .arg(QFileInfo(shared).absolutePath(), shared, QFileInfo(dataFile).absolutePath(),
                                       readOnly ? QStringLiteral(" && chmod 555 '%1'").arg(QFileInfo(shared).absolutePath())
                                                : QString()));
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);
    const QString held = readOnly ? dataFile : shared;
    QLockFile otherCopy(held + QStringLiteral(".lock"));
    QVERIFY(otherCopy.tryLock(0));

    QProcess program;
    folder.startSignalled(program, QStringLiteral("kill -TERM $$"));
    QVERIFY(program.waitForFinished(20000));
    QFile::setPermissions(QFileInfo(shared).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // to be removed
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()).split(u'\n').filter(QStringLiteral("trevanto: ")),
             QStringList{QStringLiteral("trevanto: O Trevanto já está aberto com este percurso, que é gravado em %1. "
                                        "Continue o trabalho na janela que já está aberta.").arg(held)});
    QCOMPARE(readAll(shared), QByteArray("DIR=5;\r\nMET=5;\r\n"));
    QVERIFY(QFileInfo(folder.workFile()).isSymLink());
}

// A lock the program cannot remove (a folder with something in it) is named, with how to
// remove it; the start ends there, status 0, touching nothing.
void TestProgram::lockThatStays()
{
    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString lock = folder.workFile() + QStringLiteral(".lock");
    QProcess placing;
    folder.shell(placing, QStringLiteral("mkdir -p trevanto.ini.lock/inside"));
    QVERIFY(placing.waitForFinished() && placing.exitCode() == 0);
    QProcess program;
    folder.startSignalled(program, QStringLiteral("kill -TERM $$"));
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    const QStringList said = QString::fromUtf8(program.readAllStandardError()).split(u'\n').filter(QStringLiteral("trevanto: "));
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.first().contains(QStringLiteral("está travado por %1").arg(lock))
                     && said.first().contains(QStringLiteral("apague %1 e abra o Trevanto de novo").arg(lock)),
             qPrintable(said.first()));
    QVERIFY(!QFileInfo::exists(folder.workFile()));
}

// Started with SIGINT ignored, as by nohup or a script's background job, the program
// leaves it so: a SIGINT later does not end it, and a SIGTERM still saves the work.
void TestProgram::ignoredInterruptStaysIgnored()
{
    ProgramFolder folder;
    QVERIFY(folder.prepare());
    const QString file = folder.workFile();
    QProcess program;
    QVERIFY(folder.startRunning(program, QStringLiteral("trap '' INT")));
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(!program.waitForFinished(500));
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(readAll(file), Untouched);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program_unix.moc"
