// The work file: its exact bytes, the reader line by line, where it lives, and loading
// and saving it on the real file system.

#include "course/legrules.h"
#include "workfile/workfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace trevanto;

namespace {

const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
const QLocale plainC = QLocale::c();
// The work file of a two-leg course, 82 bytes.
const QByteArray Example("DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=200\r\n"
                         "TOP=150\r\n");

// What a content holds, one field after the other and only those that were read, so a
// failed comparison shows what was read.
QString describe(const WorkFileContent &content)
{
    QStringList parts;
    if (!content.distances.isEmpty())
        parts << QStringLiteral("DIR[%1]").arg(content.distances.join(u'|'));
    if (!content.bearings.isEmpty())
        parts << QStringLiteral("MET[%1]").arg(content.bearings.join(u'|'));
    const std::pair<const char *, std::optional<std::int32_t>> numbers[] = {
        {"W", content.width}, {"H", content.height}, {"L", content.markerLeft}, {"T", content.markerTop}};
    for (const auto &[key, value] : numbers) {
        if (value)
            parts << QString::fromUtf8(key) + QString::number(*value);
    }
    if (content.scale)
        parts << QStringLiteral("S'%1'").arg(*content.scale);
    if (content.truncated)
        parts << QStringLiteral("truncated");
    return parts.isEmpty() ? QStringLiteral("nothing") : parts.join(u' ');
}

// A state with the lists given as their items joined by '|'.
WorkFileState stateOf(const char *distances, const char *bearings, const char *scale, float width = 0,
                      float height = 0, float markerLeft = 0, float markerTop = 0)
{
    const auto items = [](const char *joined) {
        return *joined ? QString::fromUtf8(joined).split(u'|') : QStringList();
    };
    return WorkFileState{items(distances), items(bearings), width, height, QString::fromUtf8(scale), markerLeft,
                         markerTop};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(trevanto::WorkFileState)

class TestWorkFile : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void formatNumbers_data();
    void formatNumbers();

    void parseLine_data();
    void parseLine();
    void parseFile_data();
    void parseFile();
    void parseTruncates_data();
    void parseTruncates();

    void location_data();
    void location();
    void loadFiles();
    void loadRefuses_data();
    void loadRefuses();
    void saveReplacesAndKeepsBackup();
    void saveFails_data();
    void saveFails();
};

void TestWorkFile::format_data()
{
    QTest::addColumn<WorkFileState>("state");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray zeros("WIDTH=0\r\nHEIGHT=0\r\nESCALA=");
    const QByteArray end("\r\nLEFT=0\r\nTOP=0\r\n");
    QTest::newRow("the two-leg example") << stateOf("120|80", "45|300", "10", 10000, 8000, 200, 150) << Example;
    QTest::newRow("empty lists -> DIR= and MET= alone, empty scale")
            << stateOf("", "", "") << "DIR=\r\nMET=\r\n" + zeros + end;
    QTest::newRow("items written as typed, spaces and signs kept")
            << stateOf(" 12,5|+7", "0", " 12") << "DIR= 12,5;+7;\r\nMET=0;\r\n" + zeros + " 12" + end;
    QTest::newRow("Latin-1 characters are one byte each")
            << stateOf("é", "", "10º") << "DIR=\xE9;\r\nMET=\r\n" + zeros + "10\xBA" + end;
    QTest::newRow("characters beyond Latin-1 become '?'")
            << stateOf("5€", "Ω", "1€0") << "DIR=5?;\r\nMET=?;\r\n" + zeros + "1?0" + end;
}

void TestWorkFile::format()
{
    QFETCH(WorkFileState, state);
    QFETCH(QByteArray, expected);
    QCOMPARE(formatWorkFile(state, brazil), expected);
    QCOMPARE(formatWorkFile(state, plainC), expected);
}

void TestWorkFile::formatNumbers_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("expected");

    // Written on the WIDTH line: seven significant digits at most, halves to even, in the
    // locale's decimal separator, with no thousands separator and no exponent.
    QTest::newRow("10000 under pt_BR -> no thousands separator") << 10000.0f << brazil << QByteArray("10000");
    QTest::newRow("123456792 -> all digits, no exponent") << 123456792.0f << brazil << QByteArray("123456792");
    QTest::newRow("-0 -> 0") << -0.0f << brazil << QByteArray("0");
    QTest::newRow("200.25 under pt_BR -> comma") << 200.25f << brazil << QByteArray("200,25");
    QTest::newRow("200.25 under C -> point") << 200.25f << plainC << QByteArray("200.25");
    QTest::newRow("0.1f -> float noise cut at 7 digits") << 0.1f << brazil << QByteArray("0,1");
    QTest::newRow("1234.5678 -> rounded to 1234.568") << 1234.5678f << plainC << QByteArray("1234.568");
    QTest::newRow("0.00001234 -> no exponent") << 0.00001234f << brazil << QByteArray("0,00001234");
    QTest::newRow("1234567.5 -> tie to even 1234568") << 1234567.5f << brazil << QByteArray("1234568");
    QTest::newRow("1234566.5 -> tie to even 1234566") << 1234566.5f << brazil << QByteArray("1234566");
    QTest::newRow("-8388607.5 -> 7 digits leave no fraction") << -8388607.5f << brazil << QByteArray("-8388608");
}

void TestWorkFile::formatNumbers()
{
    QFETCH(float, value);
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, expected);
    const QByteArray bytes = formatWorkFile(stateOf("", "", "", value), locale);
    const qsizetype begin = bytes.indexOf("WIDTH=") + 6;
    QCOMPARE(bytes.mid(begin, bytes.indexOf("\r\n", begin) - begin), expected);
}

void TestWorkFile::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const char *line, const char *expected, const QLocale &locale = brazil) {
        QTest::newRow(name) << QByteArray(line) + "\r\n" << locale << QString::fromUtf8(expected);
    };
    row("DIR=120;80; -> 120 and 80", "DIR=120;80;", "DIR[120|80]");
    row("DIR=120;80 -> last piece dropped", "DIR=120;80", "DIR[120]");
    row("DIR=120 -> nothing", "DIR=120", "nothing");
    row("DIR= -> nothing", "DIR=", "nothing");
    row("DIR alone -> nothing", "DIR", "nothing");
    row("DIRX120; -> 120, char after key not looked at", "DIRX120;", "DIR[120]");
    row("DIR120; -> value from char 5 gives 20", "DIR120;", "DIR[20]");
    row("dir=120; -> skipped, small letters", "dir=120;", "nothing");
    row("space then DIR=120; -> skipped", " DIR=120;", "nothing");
    row("DIR=;; -> two empty items", "DIR=;;", "DIR[|]");
    row("DIR= 12 ;x; -> items untouched", "DIR= 12 ;x;", "DIR[ 12 |x]");
    row("MET=45;300; -> bearings, not distances", "MET=45;300;", "MET[45|300]");
    row("ESCALA= -> empties the scale", "ESCALA=", "S''");
    row("ESCALA alone -> empties the scale", "ESCALA", "S''");
    row("ESCALA= 12 -> space kept", "ESCALA= 12", "S' 12'");
    row("ESCALA=abc -> text unchecked", "ESCALA=abc", "S'abc'");
    row("ESCALAX10 -> value from char 8", "ESCALAX10", "S'10'");
    row("escala=10 -> skipped", "escala=10", "nothing");
    row("WIDTH=10000", "WIDTH=10000", "W10000");
    row("HEIGHT=8000", "HEIGHT=8000", "H8000");
    row("HEIGHT8000 -> value from char 8 gives 000", "HEIGHT8000", "H0");
    row("LEFT=-20 -> negative kept", "LEFT=-20", "L-20");
    row("TOP=150 -> only the marker's top", "TOP=150", "T150");
    row("WIDTH= 10000  -> spaces around allowed", "WIDTH= 10000 ", "W10000");
    row("WIDTH=2,5 pt_BR -> half to even 2", "WIDTH=2,5", "W2");
    row("WIDTH=3,5 pt_BR -> half to even 4", "WIDTH=3,5", "W4");
    row("WIDTH=2.5 C -> half to even 2", "WIDTH=2.5", "W2", plainC);
    row("WIDTH=2.5 pt_BR -> not a number, skipped", "WIDTH=2.5", "nothing");
    row("WIDTH=10.000 pt_BR -> thousands separator, skipped", "WIDTH=10.000", "nothing");
    row("WIDTH=abc -> skipped", "WIDTH=abc", "nothing");
    row("WIDTH= -> empty, skipped", "WIDTH=", "nothing");
    row("WIDTH=1e10 -> exponent, skipped", "WIDTH=1e10", "nothing");
    row("WIDTH=10000000000 -> beyond 32 bits, skipped", "WIDTH=10000000000", "nothing");
    row("WIDTH=2147483647 -> largest kept", "WIDTH=2147483647", "W2147483647");
    row("WIDTH=2147483647,5 -> rounds to 2^31, skipped", "WIDTH=2147483647,5", "nothing");
    row("TOP=-2147483648,5 -> rounds to -2^31, kept", "TOP=-2147483648,5", "T-2147483648");
    row("FOO=1 -> unknown key skipped", "FOO=1", "nothing");
    row("blank line -> skipped", "", "nothing");
}

void TestWorkFile::parseLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(describe(parseWorkFile(line, locale)), expected);
}

void TestWorkFile::parseFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString read = QStringLiteral("DIR[120|80] MET[45|300] W10000 H8000 L200 T150 S'10'");
    QTest::newRow("CR LF line ends") << Example << read;
    QTest::newRow("LF line ends") << QByteArray(Example).replace("\r\n", "\n") << read;
    QTest::newRow("CR line ends") << QByteArray(Example).replace("\r\n", "\r") << read;
    QTest::newRow("mixed line ends, no end after the last line")
            << QByteArray("DIR=120;80;\rMET=45;300;\n\nWIDTH=10000\r\n\r\rHEIGHT=8000\n\rESCALA=10\r\nLEFT=200\n"
                          "TOP=150")
            << read;
    QTest::newRow("lines in any order")
            << QByteArray("TOP=150\r\nESCALA=10\r\nMET=45;300;\r\nLEFT=200\r\nHEIGHT=8000\r\nDIR=120;80;\r\n"
                          "WIDTH=10000\r\n")
            << read;
    QTest::newRow("empty file -> nothing") << QByteArray() << QStringLiteral("nothing");
    QTest::newRow("two DIR lines add up, first first")
            << QByteArray("DIR=1;2;\r\nMET=9;\r\nDIR=3;\r\n") << QStringLiteral("DIR[1|2|3] MET[9]");
    QTest::newRow("two WIDTH lines -> second wins")
            << QByteArray("WIDTH=100\r\nWIDTH=200\r\n") << QStringLiteral("W200");
    QTest::newRow("bad WIDTH after a good one keeps the good one")
            << QByteArray("WIDTH=100\r\nWIDTH=abc\r\nWIDTH=\r\nWIDTH=99999999999\r\n") << QStringLiteral("W100");
    QTest::newRow("two ESCALA lines -> last wins, even empty") << QByteArray("ESCALA=10\r\nESCALA=\r\n")
                                                               << QStringLiteral("S''");
    QTest::newRow("Latin-1 bytes decoded")
            << QByteArray("DIR=\xE9;\r\nESCALA=1\xBA\r\n") << QStringLiteral("DIR[é] S'1º'");
    QTest::newRow("without a line end after DIR the next line is not an item")
            << QByteArray("DIR=1;\rMET=2;\r") << QStringLiteral("DIR[1] MET[2]");
}

void TestWorkFile::parseFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(describe(parseWorkFile(bytes, brazil)), expected);
}

void TestWorkFile::parseTruncates_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("distanceCount");
    QTest::addColumn<int>("bearingCount");
    QTest::addColumn<bool>("truncated");

    // Numbered items, so that the first and the last one kept can be checked.
    const auto items = [](int first, int count) {
        QByteArray text;
        for (int i = first; i < first + count; ++i)
            text += QByteArray::number(i) + ';';
        return text;
    };
    QTest::newRow("exactly 32767 items -> all kept") << "DIR=" + items(0, MaxLegs) + "\r\n" << MaxLegs << 0 << false;
    QTest::newRow("32767 items and a dropped last piece -> all kept")
            << "DIR=" + items(0, MaxLegs) + "tail\r\n" << MaxLegs << 0 << false;
    QTest::newRow("one item too many -> first 32767 kept")
            << "DIR=" + items(0, MaxLegs + 1) + "\r\n" << MaxLegs << 0 << true;
    QTest::newRow("two DIR lines over the limit together")
            << "DIR=" + items(0, MaxLegs - 5) + "\r\nDIR=" + items(MaxLegs - 5, 10) + "\r\n" << MaxLegs << 0 << true;
    QTest::newRow("MET over the limit, DIR untouched")
            << "DIR=1;2;\r\nMET=" + items(0, MaxLegs + 100) + "\r\n" << 2 << MaxLegs << true;
}

void TestWorkFile::parseTruncates()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, distanceCount);
    QFETCH(int, bearingCount);
    QFETCH(bool, truncated);

    const WorkFileContent content = parseWorkFile(bytes, brazil);
    QCOMPARE(content.distances.size(), distanceCount);
    QCOMPARE(content.bearings.size(), bearingCount);
    QCOMPARE(content.truncated, truncated);
    // The items kept are the first ones, in order.
    const QStringList &longest = distanceCount == MaxLegs ? content.distances : content.bearings;
    QCOMPARE(longest.first(), QStringLiteral("0"));
    QCOMPARE(longest.last(), QString::number(MaxLegs - 1));
}

void TestWorkFile::location_data()
{
    QTest::addColumn<bool>("programFolderExists"); // and writable
    QTest::addColumn<QString>("files");          // the regular work files there are, the newest last
    QTest::addColumn<QString>("chosen");         // read, write and fallback: "program", "user" or "-"

    QTest::newRow("no file -> the program's, the user's as fallback") << true << "" << "program program user";
    QTest::newRow("user file newer -> read the user's") << true << "program user" << "user program user";
    QTest::newRow("program file newer -> read the program's") << true << "user program" << "program program user";
    QTest::newRow("only a user file -> read it") << true << "user" << "user program user";
    // The program's folder read-only is a row of tst_session's endedBySignals.
    QTest::newRow("no program folder -> the user's, no fallback") << false << "" << "user user -";
}

void TestWorkFile::location()
{
    QFETCH(bool, programFolderExists);
    QFETCH(QString, files);
    QFETCH(QString, chosen);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programDir = root.filePath(QStringLiteral("program"));
    const QString userDir = root.filePath(QStringLiteral("user"));
    const auto pathIn = [&](const QString &which) {
        return (which == u"program" ? programDir : userDir) + QStringLiteral("/trevanto.ini");
    };
    QVERIFY(QDir().mkpath(userDir));
    if (programFolderExists)
        QVERIFY(QDir().mkpath(programDir));
    const QStringList newestLast = files.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < newestLast.size(); ++i) {
        QFile file(pathIn(newestLast[i]));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("TOP=1\r\n") == 7 && file.flush());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(i - 10), QFileDevice::FileModificationTime));
    }
    const WorkFileLocation location = chooseWorkFileLocation(programDir, userDir);
    const auto name = [&](const QString &path) {
        for (const QString &which : {QStringLiteral("program"), QStringLiteral("user")}) {
            if (path == pathIn(which))
                return which;
        }
        return path.isEmpty() ? QStringLiteral("-") : path;
    };
    QCOMPARE(name(location.readPath) + u' ' + name(location.writePath) + u' ' + name(location.fallbackPath), chosen);
    // The writability probe leaves nothing behind.
    if (programFolderExists)
        QCOMPARE(QDir(programDir).entryList(QDir::Files).size(), qsizetype(newestLast.contains(u"program")));
}

void TestWorkFile::loadFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));

    const WorkFileLoad missing = loadWorkFile(path, brazil);
    QCOMPARE(missing.status, LoadStatus::Missing);
    QVERIFY(missing.problem.isEmpty());

    QVERIFY(writeAll(path, "DIR=120;80;\r\nESCALA=2,5\r\nWIDTH=3,5\r\n"));
    const WorkFileLoad loaded = loadWorkFile(path, brazil);
    QCOMPARE(loaded.status, LoadStatus::Loaded);
    QCOMPARE(describe(loaded.content), QStringLiteral("DIR[120|80] W4 S'2,5'"));

    QVERIFY(writeAll(path, QByteArray()));
    const WorkFileLoad empty = loadWorkFile(path, brazil);
    QCOMPARE(empty.status, LoadStatus::Loaded);
    QCOMPARE(describe(empty.content), QStringLiteral("nothing"));
}

void TestWorkFile::loadRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("NUL byte inside") << "nul";
    QTest::newRow("one byte over the size limit") << "large";
    QTest::newRow("no permission to read") << "unreadable";
}

void TestWorkFile::loadRefuses()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    if (kind == u"nul") {
        QVERIFY(writeAll(path, QByteArray("DIR=1;\r\nTOP=1\0\r\n", 17)));
    } else if (kind == u"large") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("TOP=1\r\n") == 7);
        QVERIFY(file.resize(MaxWorkFileSize + 1)); // sparse: costs no disk space
    } else {
        QVERIFY(writeAll(path, "TOP=1\r\n") && QFile::setPermissions(path, QFile::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("This user can read a file without read permission (root?); the refusal cannot be shown.");
    }
    const QFileInfo before(path);

    const WorkFileLoad load = loadWorkFile(path, brazil);
    QCOMPARE(load.status, LoadStatus::Refused);
    QVERIFY2(load.problem.contains(QDir::toNativeSeparators(path)), qPrintable(load.problem));
    QCOMPARE(describe(load.content), QStringLiteral("nothing"));
    // The refused file is left as it was.
    const QFileInfo after(path);
    QCOMPARE(after.lastModified(), before.lastModified());
    QCOMPARE(after.size(), before.size());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestWorkFile::saveReplacesAndKeepsBackup()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a/b/trevanto.ini"));
    const QString backup = path + QStringLiteral(".bak");

    // Missing folders are made; the bytes go out untouched, CR LF and all.
    const QByteArray bytes("DIR=\r\nMET=\r\nWIDTH=1\r\n");
    const SaveOutcome outcome = saveWorkFile(path, bytes, true);
    QVERIFY2(outcome.ok, qPrintable(outcome.error));
    QCOMPARE(readAll(path), bytes);
    QVERIFY(!QFileInfo::exists(backup)); // nothing was there to keep
    // A shorter file replaces the old content rather than overlaying it.
    QVERIFY(saveWorkFile(path, "TOP=1\n", false).ok);
    QCOMPARE(readAll(path), QByteArray("TOP=1\n"));
    QVERIFY(!QFileInfo::exists(backup));

    // With a backup asked for, the previous file replaces an older, longer backup.
    QVERIFY(writeAll(backup, "an older backup, longer than the rest"));
    QVERIFY(saveWorkFile(path, "second", true).ok);
    QCOMPARE(readAll(path), QByteArray("second"));
    QCOMPARE(readAll(backup), QByteArray("TOP=1\n"));
    QVERIFY(saveWorkFile(path, "third", true).ok);
    QCOMPARE(readAll(path), QByteArray("third"));
    QCOMPARE(readAll(backup), QByteArray("second"));
}

void TestWorkFile::saveFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder under a regular file") << "under file";
    QTest::newRow("backup cannot be made -> original kept") << "backup blocked";
}

void TestWorkFile::saveFails()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString original = dir.filePath(QStringLiteral("trevanto.ini"));
    QVERIFY(writeAll(original, "original"));
    // A regular file where a folder should be; a non-empty folder where the backup
    // goes, which can neither be replaced nor written.
    const QString path = kind == u"under file" ? original + QStringLiteral("/sub/trevanto.ini") : original;
    if (kind == u"backup blocked")
        QVERIFY(QDir().mkpath(original + QStringLiteral(".bak/inside")));
    const SaveOutcome outcome = saveWorkFile(path, "new", true);
    QVERIFY(!outcome.ok && !outcome.error.isEmpty());
    QCOMPARE(readAll(original), QByteArray("original"));
}

QTEST_GUILESS_MAIN(TestWorkFile)
#include "tst_workfile.moc"
