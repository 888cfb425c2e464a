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

// One line of text per content, so a failed comparison shows what was read.
QString describe(const WorkFileContent &content)
{
    const auto number = [](const std::optional<std::int32_t> &value) {
        return value ? QString::number(*value) : QStringLiteral("-");
    };
    return QStringLiteral("DIR[%1] MET[%2] W%3 H%4 S%5 L%6 T%7%8")
        .arg(content.distances.join(u'|'), content.bearings.join(u'|'), number(content.width),
             number(content.height),
             content.scale ? u'\'' + *content.scale + u'\'' : QStringLiteral("-"),
             number(content.markerLeft), number(content.markerTop),
             content.truncated ? QStringLiteral(" truncated") : QString());
}

// The text of the WIDTH line's value.
QByteArray widthText(float width, const QLocale &locale)
{
    WorkFileState state;
    state.width = width;
    const QByteArray bytes = formatWorkFile(state, locale);
    const qsizetype begin = bytes.indexOf("WIDTH=") + 6;
    return bytes.mid(begin, bytes.indexOf("\r\n", begin) - begin);
}

QByteArray items(int first, int count)
{
    QByteArray text;
    for (int i = first; i < first + count; ++i)
        text += QByteArray::number(i) + ';';
    return text;
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

// Permission bits do not stop every user (root above all); a test that needs a
// refusal checks that the system really refuses first.
bool permissionsEnforced(const QString &readOnlyDir)
{
    QFile probe(QDir(readOnlyDir).filePath(QStringLiteral("probe")));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.close();
    probe.remove();
    return false;
}

} // namespace

class TestWorkFile : public QObject
{
    Q_OBJECT

private slots:
    void formatExample();
    void formatLines_data();
    void formatLines();
    void formatNumbers_data();
    void formatNumbers();

    void parseLine_data();
    void parseLine();
    void parseFile_data();
    void parseFile();
    void parseTruncates_data();
    void parseTruncates();
    void roundTrip_data();
    void roundTrip();

    void location_data();
    void location();

    void loadFiles();
    void loadRefuses_data();
    void loadRefuses();

    void saveWritesBytes();
    void saveKeepsBackup();
    void saveFails_data();
    void saveFails();
};

void TestWorkFile::formatExample()
{
    WorkFileState state;
    state.distances = {QStringLiteral("120"), QStringLiteral("80")};
    state.bearings = {QStringLiteral("45"), QStringLiteral("300")};
    state.width = 10000;
    state.height = 8000;
    state.scale = QStringLiteral("10");
    state.markerLeft = 200;
    state.markerTop = 150;
    const QByteArray expected("DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\n"
                              "ESCALA=10\r\nLEFT=200\r\nTOP=150\r\n");
    QCOMPARE(expected.size(), 82);
    QCOMPARE(formatWorkFile(state, brazil), expected);
    QCOMPARE(formatWorkFile(state, plainC), expected);
}

void TestWorkFile::formatLines_data()
{
    QTest::addColumn<QStringList>("distances");
    QTest::addColumn<QStringList>("bearings");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray tail("WIDTH=0\r\nHEIGHT=0\r\nESCALA=");
    const QByteArray end("\r\nLEFT=0\r\nTOP=0\r\n");
    QTest::newRow("empty lists -> DIR= and MET= alone, empty scale")
        << QStringList() << QStringList() << QString() << "DIR=\r\nMET=\r\n" + tail + end;
    QTest::newRow("items written as typed, spaces and signs kept")
        << QStringList{QStringLiteral(" 12,5"), QStringLiteral("+7")} << QStringList{QStringLiteral("0")}
        << QStringLiteral(" 12") << "DIR= 12,5;+7;\r\nMET=0;\r\n" + tail + " 12" + end;
    QTest::newRow("Latin-1 characters are one byte each")
        << QStringList{QStringLiteral("é")} << QStringList() << QStringLiteral("10º")
        << "DIR=\xE9;\r\nMET=\r\n" + tail + "10\xBA" + end;
    QTest::newRow("characters beyond Latin-1 become '?'")
        << QStringList{QStringLiteral("5€")} << QStringList{QStringLiteral("Ω")} << QStringLiteral("1€0")
        << "DIR=5?;\r\nMET=?;\r\n" + tail + "1?0" + end;
}

void TestWorkFile::formatLines()
{
    QFETCH(QStringList, distances);
    QFETCH(QStringList, bearings);
    QFETCH(QString, scale);
    QFETCH(QByteArray, expected);

    WorkFileState state;
    state.distances = distances;
    state.bearings = bearings;
    state.scale = scale;
    QCOMPARE(formatWorkFile(state, brazil), expected);
}

void TestWorkFile::formatNumbers_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("10000 under pt_BR -> no thousands separator") << 10000.0f << brazil << QByteArray("10000");
    QTest::newRow("123456792 -> all digits, no exponent") << 123456792.0f << brazil << QByteArray("123456792");
    QTest::newRow("-150 -> leading minus") << -150.0f << brazil << QByteArray("-150");
    QTest::newRow("-0 -> 0") << -0.0f << brazil << QByteArray("0");
    QTest::newRow("200.25 under pt_BR -> comma") << 200.25f << brazil << QByteArray("200,25");
    QTest::newRow("200.25 under C -> point") << 200.25f << plainC << QByteArray("200.25");
    QTest::newRow("-0.5 under pt_BR") << -0.5f << brazil << QByteArray("-0,5");
    QTest::newRow("0.1f -> float noise cut at 7 digits") << 0.1f << brazil << QByteArray("0,1");
    QTest::newRow("1/3 -> 7 significant digits") << 1.0f / 3.0f << plainC << QByteArray("0.3333333");
    QTest::newRow("12345.67f -> 7 significant digits") << 12345.67f << brazil << QByteArray("12345,67");
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
    QCOMPARE(widthText(value, locale), expected);
}

void TestWorkFile::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QByteArray &line, const QString &expected,
                        const QLocale &locale = brazil) {
        QTest::newRow(name) << line + "\r\n" << locale << expected;
    };
    const QString nothing = QStringLiteral("DIR[] MET[] W- H- S- L- T-");

    row("DIR=120;80; -> 120 and 80", "DIR=120;80;", QStringLiteral("DIR[120|80] MET[] W- H- S- L- T-"));
    row("DIR=120;80 -> last piece dropped", "DIR=120;80", QStringLiteral("DIR[120] MET[] W- H- S- L- T-"));
    row("DIR=120 -> nothing", "DIR=120", nothing);
    row("DIR= -> nothing", "DIR=", nothing);
    row("DIR alone -> nothing", "DIR", nothing);
    row("DIRX120; -> 120, char after key not looked at", "DIRX120;",
        QStringLiteral("DIR[120] MET[] W- H- S- L- T-"));
    row("DIR120; -> value from char 5 gives 20", "DIR120;", QStringLiteral("DIR[20] MET[] W- H- S- L- T-"));
    row("dir=120; -> skipped, small letters", "dir=120;", nothing);
    row("space then DIR=120; -> skipped", " DIR=120;", nothing);
    row("DIR=;; -> two empty items", "DIR=;;", QStringLiteral("DIR[|] MET[] W- H- S- L- T-"));
    row("DIR= 12 ;x; -> items untouched", "DIR= 12 ;x;", QStringLiteral("DIR[ 12 |x] MET[] W- H- S- L- T-"));
    row("MET=45;300; -> bearings, not distances", "MET=45;300;",
        QStringLiteral("DIR[] MET[45|300] W- H- S- L- T-"));
    row("ESCALA= -> empties the scale", "ESCALA=", QStringLiteral("DIR[] MET[] W- H- S'' L- T-"));
    row("ESCALA alone -> empties the scale", "ESCALA", QStringLiteral("DIR[] MET[] W- H- S'' L- T-"));
    row("ESCALA= 12 -> space kept", "ESCALA= 12", QStringLiteral("DIR[] MET[] W- H- S' 12' L- T-"));
    row("ESCALA=abc -> text unchecked", "ESCALA=abc", QStringLiteral("DIR[] MET[] W- H- S'abc' L- T-"));
    row("ESCALAX10 -> value from char 8", "ESCALAX10", QStringLiteral("DIR[] MET[] W- H- S'10' L- T-"));
    row("escala=10 -> skipped", "escala=10", nothing);
    row("WIDTH=10000", "WIDTH=10000", QStringLiteral("DIR[] MET[] W10000 H- S- L- T-"));
    row("HEIGHT=8000", "HEIGHT=8000", QStringLiteral("DIR[] MET[] W- H8000 S- L- T-"));
    row("HEIGHT8000 -> value from char 8 gives 000", "HEIGHT8000", QStringLiteral("DIR[] MET[] W- H0 S- L- T-"));
    row("LEFT=-20 -> negative kept", "LEFT=-20", QStringLiteral("DIR[] MET[] W- H- S- L-20 T-"));
    row("TOP=150 -> only the marker's top", "TOP=150", QStringLiteral("DIR[] MET[] W- H- S- L- T150"));
    row("WIDTH= 10000  -> spaces around allowed", "WIDTH= 10000 ", QStringLiteral("DIR[] MET[] W10000 H- S- L- T-"));
    row("WIDTH=2,5 pt_BR -> half to even 2", "WIDTH=2,5", QStringLiteral("DIR[] MET[] W2 H- S- L- T-"));
    row("WIDTH=3,5 pt_BR -> half to even 4", "WIDTH=3,5", QStringLiteral("DIR[] MET[] W4 H- S- L- T-"));
    row("WIDTH=2.5 C -> half to even 2", "WIDTH=2.5", QStringLiteral("DIR[] MET[] W2 H- S- L- T-"), plainC);
    row("WIDTH=2.5 pt_BR -> not a number, skipped", "WIDTH=2.5", nothing);
    row("WIDTH=10.000 pt_BR -> thousands separator, skipped", "WIDTH=10.000", nothing);
    row("WIDTH=abc -> skipped", "WIDTH=abc", nothing);
    row("WIDTH= -> empty, skipped", "WIDTH=", nothing);
    row("WIDTH=1e10 -> exponent, skipped", "WIDTH=1e10", nothing);
    row("WIDTH=10000000000 -> beyond 32 bits, skipped", "WIDTH=10000000000", nothing);
    row("WIDTH=2147483647 -> largest kept", "WIDTH=2147483647",
        QStringLiteral("DIR[] MET[] W2147483647 H- S- L- T-"));
    row("WIDTH=2147483647,5 -> rounds to 2^31, skipped", "WIDTH=2147483647,5", nothing);
    row("TOP=-2147483648,5 -> rounds to -2^31, kept", "TOP=-2147483648,5",
        QStringLiteral("DIR[] MET[] W- H- S- L- T-2147483648"));
    row("FOO=1 -> unknown key skipped", "FOO=1", nothing);
    row("blank line -> skipped", "", nothing);
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

    const QString example = QStringLiteral("DIR[120|80] MET[45|300] W10000 H8000 S'10' L200 T150");
    QTest::newRow("CR LF line ends")
        << QByteArray("DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=200\r\nTOP=150\r\n")
        << example;
    QTest::newRow("LF line ends")
        << QByteArray("DIR=120;80;\nMET=45;300;\nWIDTH=10000\nHEIGHT=8000\nESCALA=10\nLEFT=200\nTOP=150\n") << example;
    QTest::newRow("CR line ends")
        << QByteArray("DIR=120;80;\rMET=45;300;\rWIDTH=10000\rHEIGHT=8000\rESCALA=10\rLEFT=200\rTOP=150\r") << example;
    QTest::newRow("mixed line ends, no end after the last line")
        << QByteArray("DIR=120;80;\rMET=45;300;\n\nWIDTH=10000\r\n\r\rHEIGHT=8000\n\rESCALA=10\r\nLEFT=200\nTOP=150")
        << example;
    QTest::newRow("lines in any order")
        << QByteArray("TOP=150\r\nESCALA=10\r\nMET=45;300;\r\nLEFT=200\r\nHEIGHT=8000\r\nDIR=120;80;\r\nWIDTH=10000\r\n")
        << example;
    QTest::newRow("empty file -> nothing") << QByteArray() << QStringLiteral("DIR[] MET[] W- H- S- L- T-");
    QTest::newRow("two DIR lines add up, first first")
        << QByteArray("DIR=1;2;\r\nMET=9;\r\nDIR=3;\r\n") << QStringLiteral("DIR[1|2|3] MET[9] W- H- S- L- T-");
    QTest::newRow("two WIDTH lines -> second wins")
        << QByteArray("WIDTH=100\r\nWIDTH=200\r\n") << QStringLiteral("DIR[] MET[] W200 H- S- L- T-");
    QTest::newRow("bad WIDTH after a good one keeps the good one")
        << QByteArray("WIDTH=100\r\nWIDTH=abc\r\nWIDTH=\r\nWIDTH=99999999999\r\n")
        << QStringLiteral("DIR[] MET[] W100 H- S- L- T-");
    QTest::newRow("two ESCALA lines -> last wins, even empty")
        << QByteArray("ESCALA=10\r\nESCALA=\r\n") << QStringLiteral("DIR[] MET[] W- H- S'' L- T-");
    QTest::newRow("Latin-1 bytes decoded")
        << QByteArray("DIR=\xE9;\r\nESCALA=1\xBA\r\n") << QStringLiteral("DIR[é] MET[] W- H- S'1º' L- T-");
    QTest::newRow("without a line end after DIR the next line is not an item")
        << QByteArray("DIR=1;\rMET=2;\r") << QStringLiteral("DIR[1] MET[2] W- H- S- L- T-");
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

    QTest::newRow("exactly MaxLegs items -> all kept")
        << "DIR=" + items(0, MaxLegs) + "\r\n" << MaxLegs << 0 << false;
    QTest::newRow("MaxLegs items and a dropped last piece -> all kept")
        << "DIR=" + items(0, MaxLegs) + "tail\r\n" << MaxLegs << 0 << false;
    QTest::newRow("one item too many -> first MaxLegs kept")
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
    if (longest.size() == MaxLegs) {
        QCOMPARE(longest.first(), QStringLiteral("0"));
        QCOMPARE(longest.last(), QString::number(MaxLegs - 1));
    }
}

void TestWorkFile::roundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("left");
    QTest::addColumn<int>("legs");
    QTest::addColumn<int>("widthBack");
    QTest::addColumn<int>("leftBack");

    QTest::newRow("whole values, pt_BR") << brazil << 12345.0f << -20.0f << 3 << 12345 << -20;
    QTest::newRow("whole values, C") << plainC << 12345.0f << 0.0f << 0 << 12345 << 0;
    QTest::newRow("fractions come back whole, pt_BR") << brazil << 200.75f << 10.5f << 1 << 201 << 10;
    QTest::newRow("fractions come back whole, C") << plainC << 201.5f << -3.25f << 1 << 202 << -3;
    QTest::newRow("MaxLegs legs") << brazil << 10000.0f << 200.0f << MaxLegs << 10000 << 200;
}

void TestWorkFile::roundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(float, width);
    QFETCH(float, left);
    QFETCH(int, legs);
    QFETCH(int, widthBack);
    QFETCH(int, leftBack);

    WorkFileState state;
    for (int i = 0; i < legs; ++i) {
        state.distances.append(QString::number(1 + i % 1000) + (i % 2 ? QStringLiteral(",5") : QString()));
        state.bearings.append(QString::number(i % 360));
    }
    state.width = width;
    state.height = 8000;
    state.scale = QStringLiteral(" 2,5 ");
    state.markerLeft = left;
    state.markerTop = 150;

    const WorkFileContent content = parseWorkFile(formatWorkFile(state, locale), locale);
    QCOMPARE(content.distances, state.distances);
    QCOMPARE(content.bearings, state.bearings);
    QCOMPARE(content.width, std::optional<std::int32_t>(widthBack));
    QCOMPARE(content.height, std::optional<std::int32_t>(8000));
    QCOMPARE(content.scale, std::optional<QString>(state.scale));
    QCOMPARE(content.markerLeft, std::optional<std::int32_t>(leftBack));
    QCOMPARE(content.markerTop, std::optional<std::int32_t>(150));
    QVERIFY(!content.truncated);
}

void TestWorkFile::location_data()
{
    QTest::addColumn<bool>("programWritable");
    QTest::addColumn<bool>("programDirExists");
    QTest::addColumn<bool>("userFileExists");
    QTest::addColumn<QString>("expectedRead");  // "program" or "user"
    QTest::addColumn<QString>("expectedWrite");

    QTest::newRow("writable program folder -> read and write there")
        << true << true << true << QStringLiteral("program") << QStringLiteral("program");
    QTest::newRow("read-only program folder, no user file -> read program, write user")
        << false << true << false << QStringLiteral("program") << QStringLiteral("user");
    QTest::newRow("read-only program folder, user file -> read and write user")
        << false << true << true << QStringLiteral("user") << QStringLiteral("user");
    QTest::newRow("missing program folder -> write user")
        << false << false << false << QStringLiteral("program") << QStringLiteral("user");
}

void TestWorkFile::location()
{
    QFETCH(bool, programWritable);
    QFETCH(bool, programDirExists);
    QFETCH(bool, userFileExists);
    QFETCH(QString, expectedRead);
    QFETCH(QString, expectedWrite);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programDir = root.filePath(QStringLiteral("program"));
    const QString userDir = root.filePath(QStringLiteral("user"));
    QVERIFY(QDir().mkpath(userDir));
    if (programDirExists) {
        QVERIFY(QDir().mkpath(programDir));
        QVERIFY(writeAll(programDir + QStringLiteral("/trevanto.ini"), "TOP=1\r\n"));
    }
    if (userFileExists)
        QVERIFY(writeAll(userDir + QStringLiteral("/trevanto.ini"), "TOP=2\r\n"));

    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser;
    if (programDirExists && !programWritable) {
        QVERIFY(QFile::setPermissions(programDir, readOnly));
        if (!permissionsEnforced(programDir)) {
            QFile::setPermissions(programDir, readOnly | QFile::WriteOwner | QFile::WriteUser);
            QSKIP("This user can write into a read-only folder (root?); the refusal cannot be shown.");
        }
    }

    const WorkFileLocation location = chooseWorkFileLocation(programDir, userDir);
    if (programDirExists)
        QFile::setPermissions(programDir, readOnly | QFile::WriteOwner | QFile::WriteUser);

    const auto pathOf = [&](const QString &which) {
        return (which == u"program" ? programDir : userDir) + QStringLiteral("/trevanto.ini");
    };
    QCOMPARE(location.readPath, pathOf(expectedRead));
    QCOMPARE(location.writePath, pathOf(expectedWrite));
    // The writability probe leaves nothing behind.
    if (programDirExists)
        QCOMPARE(QDir(programDir).entryList(QDir::Files), QStringList{QStringLiteral("trevanto.ini")});
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
    QCOMPARE(describe(loaded.content), QStringLiteral("DIR[120|80] MET[] W4 H- S'2,5' L- T-"));

    QVERIFY(writeAll(path, QByteArray()));
    const WorkFileLoad empty = loadWorkFile(path, brazil);
    QCOMPARE(empty.status, LoadStatus::Loaded);
    QCOMPARE(describe(empty.content), QStringLiteral("DIR[] MET[] W- H- S- L- T-"));
}

void TestWorkFile::loadRefuses_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("NUL byte inside") << QStringLiteral("nul");
    QTest::newRow("one byte over the size limit") << QStringLiteral("large");
    QTest::newRow("a folder in the file's place") << QStringLiteral("folder");
    QTest::newRow("no permission to read") << QStringLiteral("unreadable");
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
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("TOP=1\r\n") == 7);
        QVERIFY(file.resize(MaxWorkFileSize + 1)); // sparse: costs no disk space
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"unreadable") {
        QVERIFY(writeAll(path, "TOP=1\r\n"));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("This user can read a file without read permission (root?); the refusal cannot be shown.");
    }
    const QFileInfo before(path);
    const QDateTime modified = before.lastModified();
    const qint64 size = before.size();

    const WorkFileLoad load = loadWorkFile(path, brazil);
    QCOMPARE(load.status, LoadStatus::Refused);
    QVERIFY(!load.problem.isEmpty());
    QVERIFY2(load.problem.contains(QDir::toNativeSeparators(path)), qPrintable(load.problem));
    QCOMPARE(describe(load.content), QStringLiteral("DIR[] MET[] W- H- S- L- T-"));

    const QFileInfo after(path);
    QCOMPARE(after.lastModified(), modified);
    QCOMPARE(after.size(), size);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestWorkFile::saveWritesBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a/b/trevanto.ini"));
    const QByteArray bytes("DIR=\r\nMET=\r\nWIDTH=1\r\n");

    const SaveOutcome outcome = saveWorkFile(path, bytes, true);
    QVERIFY2(outcome.ok, qPrintable(outcome.error));
    QCOMPARE(readAll(path), bytes); // CR LF untouched, no conversion
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bak")));

    const QByteArray shorter("TOP=1\n");
    QVERIFY(saveWorkFile(path, shorter, false).ok);
    QCOMPARE(readAll(path), shorter); // old content replaced, not overlaid
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bak")));
}

void TestWorkFile::saveKeepsBackup()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    const QString backup = path + QStringLiteral(".bak");

    QVERIFY(writeAll(path, "first"));
    QVERIFY(writeAll(backup, "an older backup, longer than the rest"));
    QVERIFY(saveWorkFile(path, "second", true).ok);
    QCOMPARE(readAll(path), QByteArray("second"));
    QCOMPARE(readAll(backup), QByteArray("first"));

    QVERIFY(saveWorkFile(path, "third", true).ok);
    QCOMPARE(readAll(path), QByteArray("third"));
    QCOMPARE(readAll(backup), QByteArray("second"));
}

void TestWorkFile::saveFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("keepBackup");

    QTest::newRow("folder under a regular file") << QStringLiteral("under file") << true;
    QTest::newRow("backup cannot be made -> original kept") << QStringLiteral("backup blocked") << true;
    QTest::newRow("read-only folder, no backup asked") << QStringLiteral("read-only") << false;
}

void TestWorkFile::saveFails()
{
    QFETCH(QString, kind);
    QFETCH(bool, keepBackup);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    QVERIFY(writeAll(path, "original"));

    const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (kind == u"under file") {
        path = dir.filePath(QStringLiteral("trevanto.ini/sub/trevanto.ini"));
    } else if (kind == u"backup blocked") {
        // A non-empty folder where the backup goes can neither be replaced nor written.
        QVERIFY(QDir().mkpath(path + QStringLiteral(".bak/inside")));
    } else if (kind == u"read-only") {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        if (!permissionsEnforced(dir.path())) {
            QFile::setPermissions(dir.path(), all);
            QSKIP("This user can write into a read-only folder (root?); the refusal cannot be shown.");
        }
    }

    const SaveOutcome outcome = saveWorkFile(path, "new", keepBackup);
    QFile::setPermissions(dir.path(), all);
    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.error.isEmpty());
    QCOMPARE(readAll(dir.filePath(QStringLiteral("trevanto.ini"))), QByteArray("original"));
}

QTEST_GUILESS_MAIN(TestWorkFile)
#include "tst_workfile.moc"
