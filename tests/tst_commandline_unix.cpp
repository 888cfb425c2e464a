// The command line, through the real program started with no display of any kind: what
// it prints, where, and the status it ends with.

#include <QProcess>
#include <QTest>

#include <sys/resource.h>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");           // -1: Qt, having read its options, stops the start
        QTest::addColumn<QByteArrayList>("output"); // texts standard output holds; a single one is all of it
        QTest::addColumn<QByteArray>("error");      // a text standard error holds
        QTest::addColumn<QString>("dataHome");      // XDG_DATA_HOME, when not empty

        const QByteArrayList usage = {"Uso: trevanto [OPÇÃO]...\n", "rali de bússola", "na pasta do programa",
                                      "~/.local/share/Pervona/Trevanto/trevanto.ini", "trevanto.ini.bak",
                                      "-h, --help", "-v, --version", "-platform"};
        const QByteArrayList version{"trevanto 1.0.0\n"};
        QTest::newRow("--help prints the usage") << "--help" << 0 << usage << QByteArray() << QString();
        QTest::newRow("--help names the data folder XDG_DATA_HOME gives")
                << "-h" << 0 << QByteArrayList{"Uso: ", "senão em /srv/dados de Ana/Pervona/Trevanto/trevanto.ini.\n"}
                << QByteArray() << QStringLiteral("/srv/dados de Ana");
        QTest::newRow("--version prints the version") << "--version" << 0 << version << QByteArray() << QString();
        QTest::newRow("-v prints the version") << "-v" << 0 << version << QByteArray() << QString();
        QTest::newRow("an unknown option is refused, named") << "--frobnicar" << 2 << QByteArrayList()
                                                             << QByteArray("\"--frobnicar\"; veja \"trevanto --help\"")
                                                             << QString();
        for (const char *arguments : {"percurso.ini", "-widgetcount percurso.ini"})
            QTest::addRow("%s: the file name is refused, named", arguments)
                    << arguments << 2 << QByteArrayList()
                    << QByteArray("\"percurso.ini\" (o programa não abre arquivos)") << QString();
        // A platform that does not exist: Qt names it and stops the start.
        QTest::newRow("Qt's own options, either spelling, reach Qt with their values")
                << "-platformtheme x -reverse --platform nenhuma" << -1 << QByteArrayList() << QByteArray("\"nenhuma\"")
                << QString();
    }

    void arguments()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QByteArrayList, output);
        QFETCH(QByteArray, error);
        QFETCH(QString, dataHome);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_DATA_HOME"})
            environment.remove(QString::fromLatin1(name));
        if (!dataHome.isEmpty())
            environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setChildProcessModifier([] { const rlimit noCoreFile{}; setrlimit(RLIMIT_CORE, &noCoreFile); });
        program.start(QStringLiteral(TREVANTO_EXECUTABLE), arguments.split(u' '));
        QVERIFY(program.waitForFinished(-1));
        const QByteArray printed = program.readAllStandardOutput(), complained = program.readAllStandardError();
        QCOMPARE(program.exitStatus(), status < 0 ? QProcess::CrashExit : QProcess::NormalExit);
        QVERIFY(status < 0 || program.exitCode() == status);
        QVERIFY(output.size() != 1 || printed == output.first());
        for (const QByteArray &text : output)
            QVERIFY2(printed.contains(text), text.constData());
        QVERIFY2(complained.contains(error) && (status != 0 || complained.isEmpty()), complained.constData());
        // A refusal is one line on standard error and nothing on standard output.
        QVERIFY(status != 2 || (printed.isEmpty() && complained.count('\n') == 1 && complained.endsWith('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline_unix.moc"
