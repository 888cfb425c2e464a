// The command line, through the real program started with no display of any kind: what
// it prints, where, and the status it ends with.

#include <QProcess>
#include <QTest>

#include <sys/resource.h>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data();
    void arguments();
};

void TestCommandLine::arguments_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("status");               // -1: the program gets as far as Qt, which stops it
    QTest::addColumn<QByteArrayList>("output");    // texts standard output holds; a single one is all of it
    QTest::addColumn<QByteArrayList>("error");     // texts standard error holds

    const QByteArrayList usage = {"Uso: trevanto [OPÇÃO]...\n", "rali de bússola", "na pasta do programa",
                                  "~/.local/share/Pervona/Trevanto/trevanto.ini", "trevanto.ini.bak",
                                  "-h, --help", "-v, --version", "-platform"};
    QTest::newRow("--help prints the usage") << QByteArrayList{"--help"} << 0 << usage << QByteArrayList();
    QTest::newRow("--version prints the version") << QByteArrayList{"--version"} << 0
                                                  << QByteArrayList{"trevanto 1.0.0\n"} << QByteArrayList();
    QTest::newRow("-v prints the version") << QByteArrayList{"-v"} << 0 << QByteArrayList{"trevanto 1.0.0\n"}
                                           << QByteArrayList();
    QTest::newRow("an unknown option is refused on one line naming it")
        << QByteArrayList{"--frobnicar"} << 2 << QByteArrayList() << QByteArrayList{"\"--frobnicar\"", "--help"};
    QTest::newRow("a file name is refused on one line naming it")
        << QByteArrayList{"percurso.ini"} << 2 << QByteArrayList() << QByteArrayList{"\"percurso.ini\"", "--help"};
    // A platform that does not exist: Qt names it and stops the start.
    QTest::newRow("Qt's own options, either spelling, reach Qt with their values")
        << QByteArrayList{"-platformtheme", "x", "-reverse", "--platform", "nenhuma"} << -1 << QByteArrayList()
        << QByteArrayList{"\"nenhuma\""};
}

void TestCommandLine::arguments()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArrayList, output);
    QFETCH(QByteArrayList, error);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([] { const rlimit noCoreFile{}; setrlimit(RLIMIT_CORE, &noCoreFile); });
    QStringList texts;
    for (const QByteArray &argument : arguments)
        texts.append(QString::fromUtf8(argument));
    program.start(QStringLiteral(TREVANTO_EXECUTABLE), texts);
    QVERIFY(program.waitForFinished(-1));
    const QByteArray printed = program.readAllStandardOutput(), complained = program.readAllStandardError();

    QCOMPARE(program.exitStatus(), status < 0 ? QProcess::CrashExit : QProcess::NormalExit);
    if (status >= 0)
        QCOMPARE(program.exitCode(), status);
    if (output.size() == 1)
        QCOMPARE(printed, output.first());
    for (const QByteArray &text : output)
        QVERIFY2(printed.contains(text), text.constData());
    for (const QByteArray &text : error)
        QVERIFY2(complained.contains(text), complained.constData());
    if (status == 0)
        QCOMPARE(complained, QByteArray());
    if (status == 2)
        QVERIFY(printed.isEmpty() && complained.count('\n') == 1 && complained.endsWith('\n'));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
