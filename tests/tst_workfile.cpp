// The user's work across runs: the work file's bytes, reader, place and save; what the
// window restores at start and writes at close.

#include "formfixture.h"

#include "app/marker.h"
#include "app/outersize.h"
#include "app/shutdown.h"
#include "app/updown.h"
#include "course/legrules.h"
#include "workfile/installation.h"
#include "workfile/workfile.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QListView>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <limits>
#include <thread>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace trevanto;
using namespace Qt::StringLiterals;

namespace {

const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
// The work file of a two-leg course, 82 bytes, and what a window that was not touched writes.
const QByteArray Example("DIR=120;80;\r\nMET=45;300;\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=200\r\n"
                         "TOP=150\r\n");
const QByteArray Untouched("DIR=\r\nMET=\r\nWIDTH=10000\r\nHEIGHT=8000\r\nESCALA=10\r\nLEFT=368\r\nTOP=256\r\n");

// What a content holds, field by field and only what was read; a list of more than
// three items as its size, first and last item.
QString describe(const WorkFileContent &content)
{
    QStringList parts;
    for (const auto &[key, items] : {std::pair(u"DIR", &content.distances), std::pair(u"MET", &content.bearings)}) {
        if (items->size() > 3)
            parts << QStringLiteral("%1[%2: %3..%4]").arg(key).arg(items->size()).arg(items->first(), items->last());
        else if (!items->isEmpty())
            parts << QStringLiteral("%1[%2]").arg(key, items->join(u'|'));
    }
    const std::optional<std::int32_t> numbers[] = {content.width, content.height, content.markerLeft, content.markerTop};
    for (int i = 0; i < 4; ++i)
        if (numbers[i])
            parts << QChar(u"WHLT"[i]) + QString::number(*numbers[i]);
    if (content.scale)
        parts << QStringLiteral("S'%1'").arg(*content.scale);
    if (content.truncated)
        parts << QStringLiteral("truncated");
    if (content.partial)
        parts << QStringLiteral("partial");
    return parts.isEmpty() ? QStringLiteral("nothing") : parts.join(u' ');
}

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

Q_DECLARE_METATYPE(trevanto::WorkFileState)

class TestWorkFile : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QFile::remove(path()); QFile::remove(path() + QStringLiteral(".bak")); }

    void format_data();
    void format()
    {
        QFETCH(WorkFileState, state);
        QFETCH(QLocale, locale);
        QTEST(formatWorkFile(state, locale), "expected");
    }
    void parse_data();
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QTEST(describe(parseWorkFile(bytes, brazil)), "expected");
    }
    void location_data();
    void location();
    void installedFolders();
    void places_data();
    void places();
    void onePlace_data();
    void onePlace();
    void othersLinks_data();
    void othersLinks();
    void backup();
    void restart_data();
    void restart();
    void writtenBehind_data();
    void writtenBehind();
    void writtenWhileBlocked();
    void markerInReach_data();
    void markerInReach();
    void startSays_data();
    void startSays();
    void legsComeBack_data();
    void legsComeBack();
    void legsHandedOverTogether_data();
    void legsHandedOverTogether();

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

void TestWorkFile::format_data()
{
    QTest::addColumn<WorkFileState>("state");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const char *distances, const char *bearings, const char *scale,
                        const QByteArray &expected, float width = 0, float height = 0, float left = 0, float top = 0) {
        const auto items = [](const char *joined) { return QString::fromUtf8(joined).split(u'|', Qt::SkipEmptyParts); };
        QTest::newRow(name) << WorkFileState{items(distances), items(bearings), width, height,
                                             QString::fromUtf8(scale), left, top}
                            << brazil << expected;
    };
    const QByteArray zeros("WIDTH=0\r\nHEIGHT=0\r\nESCALA=");
    const QByteArray end("\r\nLEFT=0\r\nTOP=0\r\n");
    row("the two-leg example, 82 bytes", "120|80", "45|300", "10", Example, 10000, 8000, 200, 150);
    row("empty lists -> DIR= and MET= alone, empty scale", "", "", "", "DIR=\r\nMET=\r\n" + zeros + end);
    row("Latin-1 characters are one byte each", "é", "", "10º", "DIR=\xE9;\r\nMET=\r\n" + zeros + "10\xBA" + end);
    row("a character beyond Latin-1 -> the whole file UTF-8 after a byte-order mark", "5€|é", "Ω", "1º",
        "\xEF\xBB\xBF" "DIR=5\xE2\x82\xAC;\xC3\xA9;\r\nMET=\xCE\xA9;\r\n" + zeros + "1\xC2\xBA" + end);
    // The reader refuses a NUL, and a line end would cut the line: both are written as spaces.
    for (const bool latin1 : {true, false}) {
        const QString scale = QStringView(u"1\u00002\r\n3\u0001", 7).toString() + (latin1 ? u""_s : u"\u2212"_s);
        QTest::addRow("a NUL and a line end in the scale -> spaces, %s", latin1 ? "Latin-1" : "UTF-8")
                << WorkFileState{{}, {}, 0, 0, scale, 0, 0} << brazil
                << (latin1 ? ""_ba : "\xEF\xBB\xBF"_ba) + "DIR=\r\nMET=\r\n" + zeros + "1 2  3\x01"
                           + (latin1 ? ""_ba : "\xE2\x88\x92"_ba) + end;
    }

    // A size or position: seven significant digits at most, halves to even, in the
    // locale's decimal separator, with no thousands separator and no exponent.
    const struct { float value; const char *text; const char *locale; } numbers[] = {
        {10000.0f, "10000", "pt_BR"}, {123456792.0f, "123456792", "pt_BR"}, {-0.0f, "0", "pt_BR"},
        {200.25f, "200,25", "pt_BR"}, {200.25f, "200.25", "C"}, {0.1f, "0,1", "pt_BR"}, {1234.5678f, "1234.568", "C"},
        {0.00001234f, "0,00001234", "pt_BR"}, {1234567.5f, "1234568", "pt_BR"}, {1234566.5f, "1234566", "pt_BR"},
        {-8388607.5f, "-8388608", "pt_BR"}, {-std::numeric_limits<float>::infinity(), "-inf", "pt_BR"},
    };
    for (const auto &[value, text, locale] : numbers) {
        QTest::addRow("%s: %.9g -> %s", locale, double(value), text)
                << WorkFileState{{}, {}, value, 0, {}, 0, 0} << QLocale(QString::fromUtf8(locale))
                << "DIR=\r\nMET=\r\nWIDTH=" + QByteArray(text) + "\r\nHEIGHT=0\r\nESCALA=" + end;
    }
}

void TestWorkFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // read under pt_BR

    const auto row = [](const char *name, const QByteArray &bytes, const char *expected) {
        QTest::newRow(name) << bytes << QString::fromUtf8(expected);
    };
    // One line each, ended by CR LF. Keys in capitals at the line's start; the value
    // from a fixed character on; a list's items end in ';', the last piece is dropped.
    // What the reader passes over or cuts makes the file partial: it is kept before a save.
    const char *lines[][2] = {
        {"DIR=120;80;", "DIR[120|80]"}, {"DIR=120;80", "DIR[120] partial"}, {"DIR=120", "partial"},
        {"DIR", "nothing"}, {"DIR120;", "DIR[20] partial"}, {"dir=120;", "partial"}, {" DIR=120;", "partial"},
        {"DIR=;;", "DIR[|]"}, {"DIR= 12 ;x;", "DIR[ 12 |x]"}, {"MET=45;300;", "MET[45|300]"}, {"ESCALA", "S''"},
        {"ESCALA= abc ", "S' abc '"}, {"ESCALAX10", "S'10' partial"}, {"WIDTH= 10000 ", "W10000"},
        {"HEIGHT=2,5", "H2"}, {"HEIGHT8000", "H0 partial"}, {"LEFT=-20", "L-20"}, {"TOP=3,5", "T4"},
        {"WIDTH=2147483647", "W2147483647"}, {"TOP=-2147483648,5", "T-2147483648"}, {"FOO=1", "partial"},
        {"WIDTH=", "nothing"}, {" \t ", "nothing"},
    };
    for (const auto &[line, expected] : lines)
        QTest::addRow("'%s' -> %s", line, expected) << QByteArray(line) + "\r\n" << QString::fromUtf8(expected);

    const char *read = "DIR[120|80] MET[45|300] W10000 H8000 L200 T150 S'10'";
    row("the two-leg example", Example, read);
    row("CR, LF, CR LF and blank lines, no end after the last line",
        "DIR=120;80;\rMET=45;300;\n\nWIDTH=10000\r\n\r\rHEIGHT=8000\n\rESCALA=10\r\nLEFT=200\nTOP=150", read);
    row("lines in any order",
        "TOP=150\r\nESCALA=10\r\nMET=45;300;\r\nLEFT=200\r\nHEIGHT=8000\r\nDIR=120;80;\r\nWIDTH=10000\r\n", read);
    row("two DIR lines add up, first first", "DIR=1;2;\r\nMET=9;\r\nDIR=3;\r\n", "DIR[1|2|3] MET[9]");
    row("repeated keys -> the last wins, even an empty scale", "WIDTH=100\r\nESCALA=10\r\nWIDTH=200\r\nESCALA=\r\n",
        "W200 S''");
    row("bad values skipped: text, empty, 1.000,5, exponent, beyond 32 bits, infinite",
        "WIDTH=100\r\nWIDTH=abc\r\nWIDTH=\r\nWIDTH=1.000,5\r\nWIDTH=1e10\r\nWIDTH=2147483647,5\r\nWIDTH=-inf\r\n",
        "W100 partial");
    row("the other locale's separator reads, as in the legs: 2.5 -> 2, 10.000 -> 10",
        "WIDTH=2.5\r\nHEIGHT=10.000\r\nLEFT=3.5\r\n", "W2 H10 L4");
    row("a scale as long as the box takes -> whole", "ESCALA=" + QByteArray(MaxScaleLength, '7') + "\r\n",
        qPrintable(u"S'%1'"_s.arg(QString(MaxScaleLength, u'7'))));
    row("a scale one longer -> cut to the box, partial", "ESCALA=" + QByteArray(MaxScaleLength, '7') + "8\r\n",
        qPrintable(u"S'%1' partial"_s.arg(QString(MaxScaleLength, u'7'))));
    row("Latin-1 bytes decoded", "DIR=\xE9;\r\nESCALA=1\xBA\r\n", "DIR[é] S'1º'");
    row("a byte-order mark -> UTF-8, read whole", "\xEF\xBB\xBF" "DIR=\xE2\x88\x92" "1;\r\nESCALA=1\xC2\xBA\r\n",
        "DIR[−1] S'1º'");
    row("a byte-order mark before bytes that are no UTF-8 -> Latin-1", "\xEF\xBB\xBF" "DIR=\xE9;\r\n", "DIR[é]");
    row("a byte-order mark later in the file is text", "DIR=\xEF\xBB\xBF;\r\n", "DIR[ï»¿]");
    row("in UTF-8, a byte-order mark starting a value is text", "\xEF\xBB\xBF" "DIR=\xEF\xBB\xBF" "2;\r\nESCALA=\xEF\xBB\xBF\r\n",
        "DIR[\uFEFF" "2] S'\uFEFF'");

    // Numbered items, so that the first and the last one kept show.
    const auto items = [](int first, int count) {
        QByteArray text;
        for (int i = first; i < first + count; ++i)
            text += QByteArray::number(i) + ';';
        return text;
    };
    row("32767 items -> all kept", "DIR=" + items(0, MaxLegs) + "\r\n", "DIR[32767: 0..32766]");
    row("32767 items and a last piece -> all kept", "DIR=" + items(0, MaxLegs) + "tail\r\n",
        "DIR[32767: 0..32766] partial");
    row("32768 items -> the first 32767", "DIR=" + items(0, MaxLegs + 1) + "\r\n", "DIR[32767: 0..32766] truncated");
    row("two DIR lines over the limit together", "DIR=" + items(0, MaxLegs - 5) + "\r\nDIR=" + items(MaxLegs - 5, 10),
        "DIR[32767: 0..32766] truncated");
    row("MET over the limit, DIR untouched", "DIR=1;2;\r\nMET=" + items(0, MaxLegs + 100) + "\r\n",
        "DIR[1|2] MET[32767: 0..32766] truncated");
}

void TestWorkFile::location_data()
{
    QTest::addColumn<bool>("programFolderExists"); // and writable
    QTest::addColumn<QString>("files");          // the regular work files there are, the newest last
    QTest::addColumn<QString>("chosen");         // read, write and fallback: "program", "user" or "-"
    QTest::addColumn<bool>("installed");         // under /usr or Program Files

    QTest::newRow("no file -> the program's, the user's as fallback") << true << "" << "program program user" << false;
    QTest::newRow("user file newer -> read the user's") << true << "program user" << "user program user" << false;
    QTest::newRow("program file newer -> read the program's") << true << "user program" << "program program user" << false;
    QTest::newRow("only a user file -> read it") << true << "user" << "user program user" << false;
    // The program's folder read-only is a row of endedBySignals.
    QTest::newRow("no program folder -> the user's, no fallback") << false << "" << "user user -" << false;
    // Installed, even where it could write beside itself: the user's data folder only.
    QTest::newRow("installed -> the user's, no fallback") << true << "" << "user user -" << true;
    QTest::newRow("installed, a newer file beside it -> still the user's") << true << "user program" << "user user -" << true;
    QTest::newRow("installed, a file beside it alone -> read, saved in the user's")
            << true << "program" << "program user -" << true;
}

void TestWorkFile::location()
{
    QFETCH(bool, programFolderExists);
    QFETCH(QString, files);
    QFETCH(QString, chosen);
    QFETCH(bool, installed);

    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program")), user = root.filePath(QStringLiteral("user"));
    QVERIFY(QDir().mkpath(user) && (!programFolderExists || QDir().mkpath(program)));
    const QStringList newestLast = files.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < newestLast.size(); ++i) {
        QFile file(root.filePath(newestLast[i] + QStringLiteral("/trevanto.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.setFileTime(QDateTime::currentDateTime().addSecs(i - 10), QFileDevice::FileModificationTime));
    }
    const WorkFileLocation location = chooseWorkFileLocation(program, user, installed);
    QStringList names;
    for (const QString &path : {location.readPath, location.writePath, location.fallbackPath})
        names << (path.isEmpty() ? QStringLiteral("-") : QDir(root.path()).relativeFilePath(path).section(u'/', 0, 0));
    QCOMPARE(names.join(u' '), chosen);
}

// The saves of one run on the two places, home (beside the program) and data (the
// user's data folder): what each holds at start, how old, and what each save finds.
// The folders the system installs programs into, where an installed copy never writes.
void TestWorkFile::installedFolders()
{
#ifdef Q_OS_WIN
    // By the folder's real path: in any letter case, whatever the environment says.
    const QString programs = qEnvironmentVariable("ProgramFiles");
    qputenv("ProgramFiles", "C:\\Trevanto");
    for (const QString &folder : {programs + QStringLiteral("\\Trevanto"), programs.toLower() + QStringLiteral("\\trevanto")})
        QVERIFY2(isInstalledProgramFolder(folder), qPrintable(folder));
    QVERIFY(!isInstalledProgramFolder(QStringLiteral("C:\\Trevanto")));
    // A folder of Program Files' Portuguese name at the root is anyone's.
    QVERIFY(pathInSystemProgramFolders(QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe")).isEmpty());
    qputenv("ProgramFiles", programs.toLocal8Bit());
#else
    for (const char *folder : {"/usr/bin", "/usr/local/bin", "/opt/trevanto/bin"})
        QVERIFY2(isInstalledProgramFolder(QString::fromLatin1(folder)), folder);
    for (const char *folder : {"/tmp", "/usrx/bin", "/home/crew/bin"})
        QVERIFY2(!isInstalledProgramFolder(QString::fromLatin1(folder)), folder);
#endif
    QVERIFY(!isInstalledProgramFolder(QDir::tempPath()));
}

void TestWorkFile::places_data()
{
    QTest::addColumn<QString>("home");  // content, or "-" for none
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("dataAge");   // seconds, against home's two days; negative: in the future
    // One letter each: 's' saved at home, 'f' home fails; between saves, 'e' another
    // program writes "edit" into home, 'r' puts a new file "T", as large and as old, in
    // its place, 'c' a new file with home's own bytes (as a disk that numbers its files
    // afresh shows it, or a sync tool writing it again), 'o' puts "other" in the data
    // folder.
    QTest::addColumn<QString>("saves");
    // home, home.bak, data, data.bak; then how many files were said changed ("told N"),
    // put where there was none ("put N"), or not read at start ("unopened N")
    QTest::addColumn<QString>("after");

    const int day = 24 * 3600;
    QTest::newRow("restored older home, newer data -> data read; home kept first, data retired")
            << "3 legs" << "1 leg" << day << "s" << "S 3 legs - 1 leg unopened 1";
    QTest::newRow("data from the future -> read once, then retired: never wins again")
            << "2 legs" << "future" << -3600 << "ss" << "S 2 legs - future unopened 1";
    QTest::newRow("as old as each other -> home read, data retired")
            << "home" << "data" << 2 * day << "s" << "S - - data unopened 1";
    QTest::newRow("home newer -> home read, the older data retired")
            << "home" << "data" << 3 * day << "s" << "S - - data unopened 1";
    QTest::newRow("only data -> read, then retired once home holds it")
            << "-" << "data" << day << "s" << "S - - data";
    QTest::newRow("home fails: data kept before the save goes there; home later: this run's data removed")
            << "home" << "data" << 3 * day << "fs" << "S - - data unopened 1";
    QTest::newRow("home fails twice: data kept once, not replaced by this run's own save")
            << "home" << "data" << 3 * day << "ff" << "home - S data unopened 1";
    QTest::newRow("nothing anywhere -> home written, nothing kept") << "-" << "-" << 0 << "s" << "S - - -";
    QTest::newRow("home edited while open -> the edit kept before the next save, said once")
            << "home" << "-" << 0 << "sess" << "S edit - - told 1";
    QTest::newRow("home replaced by a file as large and as old -> kept all the same")
            << "home" << "-" << 0 << "srs" << "S T - - told 1";
    QTest::newRow("home under a new number, holding this run's save -> nothing to keep, nothing said")
            << "home" << "-" << 0 << "scs" << "S - - -";
    QTest::newRow("home written again with its own bytes before the first save -> nothing to keep, nothing said")
            << "home" << "-" << 0 << "cs" << "S - - -";
    QTest::newRow("data retired, then another file put there -> kept before a save goes there, said put there")
            << "home" << "data" << 3 * day << "fsof" << "S - S other put 1 unopened 1";
    QTest::newRow("no file at start, one put there before the first save -> kept, said put there")
            << "-" << "-" << 0 << "es" << "S edit - - put 1";
    QTest::newRow("data read, then changed before it is retired -> kept, said changed")
            << "-" << "data" << day << "os" << "S - - other told 1";
    QTest::newRow("no data at start, one put there before home's first save -> retired, kept, said put there")
            << "home" << "-" << 0 << "os" << "S - - other put 1";
}

void TestWorkFile::places()
{
    QFETCH(QString, home);
    QFETCH(QString, data);
    QFETCH(int, dataAge);
    QFETCH(QString, saves);
    QFETCH(QString, after);

    QTemporaryDir root;
    const QString homeDir = root.filePath(QStringLiteral("program")), dataDir = root.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(homeDir) && QDir().mkpath(dataDir));
    const QString homeFile = homeDir + QStringLiteral("/trevanto.ini"), dataFile = dataDir + QStringLiteral("/trevanto.ini");
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto &[path, content, age] : {std::tuple(homeFile, home, 2 * 24 * 3600), std::tuple(dataFile, data, dataAge)}) {
        QFile file(path);
        if (content != u'-')
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) > 0 && file.flush()
                    && file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
    }

    const WorkFileLocation location = chooseWorkFileLocation(homeDir, dataDir);
    QCOMPARE(location.readPath, QFileInfo(dataFile).lastModified() > QFileInfo(homeFile).lastModified() ? dataFile : homeFile);
    WorkFileSaves places(location, loadWorkFile(location.readPath, QLocale::c()).status != LoadStatus::Refused);
    // Home fails while a folder stands in its file's place; the file waits aside.
    const QString aside = root.filePath(QStringLiteral("aside"));
    int changesTold = 0, putTold = 0, unopenedTold = 0;
    for (const QChar save : saves) {
        if (save == u'e' || save == u'o') {
            QFile file(save == u'e' ? homeFile : dataFile);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(0) && file.write(save == u'e' ? "edit" : "other") > 0);
            continue;
        }
        if (save == u'r' || save == u'c') {
            const QDateTime time = QFileInfo(homeFile).lastModified();
            QFile file(aside);
            const QByteArray bytes = save == u'r' ? QByteArray("T") : readAll(homeFile);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == QFileInfo(homeFile).size() && file.flush()
                    && file.setFileTime(time, QFileDevice::FileModificationTime));
            file.close();
            QVERIFY(QFile::remove(homeFile) && QFile::rename(aside, homeFile));
            continue;
        }
        const bool fails = save == u'f';
        QVERIFY(!fails || ((!QFileInfo::exists(homeFile) || QFile::rename(homeFile, aside)) && QDir().mkdir(homeFile)));
        const SaveReport report = places.save("S");
        QVERIFY(report.saved);
        changesTold += report.message.contains(u"alterado fora do Trevanto");
        putTold += report.message.contains(u"foi posto em");
        unopenedTold += report.message.contains(u"que não foi aberto");
        QVERIFY(!fails || (QDir().rmdir(homeFile) && (!QFileInfo::exists(aside) || QFile::rename(aside, homeFile))));
    }
    QStringList found;
    for (const QString &path : {homeFile, homeFile + QStringLiteral(".bak"), dataFile, dataFile + QStringLiteral(".bak")})
        found << (QFileInfo::exists(path) ? QString::fromUtf8(readAll(path)) : QStringLiteral("-"));
    if (changesTold > 0)
        found << QStringLiteral("told %1").arg(changesTold);
    if (putTold > 0)
        found << QStringLiteral("put %1").arg(putTold);
    if (unopenedTold > 0)
        found << QStringLiteral("unopened %1").arg(unopenedTold);
    QCOMPARE(found.join(u' '), after);
    // The next start reads what was saved last.
    const QString next = chooseWorkFileLocation(homeDir, dataDir).readPath;
    QCOMPARE(readAll(next), QByteArray("S"));
}

// The user's data folder, or its file, is the program's under another name: one place,
// which no save retires.
void TestWorkFile::onePlace_data()
{
    QTest::addColumn<QString>("made"); // the data folder's name for the program's folder or file

    QTest::newRow("data folder a link to the program folder -> one place") << "folder link";
    QTest::newRow("data file a link to the program's file -> one place") << "file link";
    QTest::newRow("data file a hard link to the program's file -> one place") << "hard link";
}

void TestWorkFile::onePlace()
{
    QFETCH(QString, made);
    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("program")), dataDir = root.filePath(QStringLiteral("data"));
    const QString programFile = programDir + QStringLiteral("/trevanto.ini"), dataFile = dataDir + QStringLiteral("/trevanto.ini");
    QVERIFY(QDir().mkpath(programDir) && writeAll(programFile, "DIR=1;\r\nMET=1;\r\n"));
    std::error_code error;
    const auto native = [](const QString &path) { return std::filesystem::path(path.toStdWString()); };
    if (made == u"folder link")
        std::filesystem::create_directory_symlink(native(programDir), native(dataDir), error);
    else if (QDir().mkpath(dataDir) && made == u"file link")
        std::filesystem::create_symlink(native(programFile), native(dataFile), error);
    else
        std::filesystem::create_hard_link(native(programFile), native(dataFile), error);
    if (error)
        QSKIP(qPrintable(u"this system does not let the user make the link: "_s + QString::fromStdString(error.message())));

    const WorkFileLocation location = chooseWorkFileLocation(programDir, dataDir);
    QCOMPARE(location.fallbackPath, QString());
    WorkFileSaves saves(location, true);
    QVERIFY(saves.save("S").saved && saves.save("S").saved);
    QCOMPARE(readAll(programFile), QByteArray("S"));
    QVERIFY(!QFileInfo::exists(programFile + QStringLiteral(".bak")));
}

// Links another user of the computer put in a folder both can write: the program writes
// through none of them, and copies nothing where that user can read it.
void TestWorkFile::othersLinks_data()
{
    QTest::addColumn<QString>("linked"); // the name the other user's link takes

    QTest::newRow("another user's link as the .bak -> replaced, the file it leads to untouched") << ".bak";
    QTest::newRow("another user's link as the work file -> not read, copied nor replaced") << "";
}

void TestWorkFile::othersLinks()
{
    QFETCH(QString, linked);
#ifdef Q_OS_WIN
    QSKIP("another user's link is a Linux case here: making one on Windows takes a second account and a privilege");
#else
    if (::geteuid() != 0)
        QSKIP("another user's link takes a second user, which only root can make (useradd)");
    const int added = QProcess::execute(u"useradd"_s, {u"--system"_s, u"--user-group"_s, u"--no-create-home"_s,
                                                       u"--shell"_s, u"/usr/sbin/nologin"_s, u"trevanto-other"_s});
    QVERIFY2(added == 0 || added == 9, "useradd trevanto-other"); // 9: there already
    QTemporaryDir root;
    const QString shared = root.filePath(u"shared"_s), secret = root.filePath(u"secret"_s);
    const QString work = shared + u"/trevanto.ini"_s;
    const auto privateFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QVERIFY(QDir().mkpath(shared) && writeAll(work, "DIR=1;\r\nMET=1;\r\n") && writeAll(secret, "mine")
            && QFile::setPermissions(secret, privateFile));
    // A folder of the user's that the other user's group may write.
    QVERIFY(QProcess::execute(u"chgrp"_s, {u"trevanto-other"_s, shared}) == 0
            && QProcess::execute(u"chmod"_s, {u"755"_s, root.path()}) == 0
            && QProcess::execute(u"chmod"_s, {u"775"_s, shared}) == 0);
    if (linked.isEmpty())
        QVERIFY(QFile::remove(work));
    QCOMPARE(QProcess::execute(u"setpriv"_s, {u"--reuid=trevanto-other"_s, u"--regid=trevanto-other"_s,
                                              u"--clear-groups"_s, u"ln"_s, u"-s"_s, secret, work + linked}),
             0);

    const WorkFileLoad load = loadWorkFile(work, brazil);
    QCOMPARE(load.status, linked.isEmpty() ? LoadStatus::NotAFile : LoadStatus::Loaded);
    // Not read whole, as a file would be after another program's change: kept first.
    const SaveReport saved = WorkFileSaves({work, work, QString()}, false).save("S");
    QCOMPARE(saved.saved, !linked.isEmpty());
    QCOMPARE(readAll(secret), QByteArray("mine"));
    QCOMPARE(QFile::permissions(secret), privateFile);
    if (linked.isEmpty()) {
        QVERIFY(!QFileInfo::exists(work + u".bak"_s));
    } else {
        QVERIFY(!QFileInfo(work + linked).isSymLink());
        QCOMPARE(readAll(work + linked), QByteArray("DIR=1;\r\nMET=1;\r\n"));
    }
#endif
}

void TestWorkFile::backup()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    const QString backup = path + QStringLiteral(".bak");
    // The file before replaces an older, longer backup.
    QVERIFY(writeAll(path, "first") && writeAll(backup, "a longer backup") && saveWorkFile(path, "second", true).ok);
    QCOMPARE(readAll(path), QByteArray("second"));
    QCOMPARE(readAll(backup), QByteArray("first"));
    // The older backup, another course, is not given up for it but kept under its time.
    const QStringList dated = QDir(dir.path()).entryList({QStringLiteral("trevanto.ini.*-*.bak")});
    QCOMPARE(dated.size(), 1);
    QCOMPARE(readAll(dir.filePath(dated.constFirst())), QByteArray("a longer backup"));
    QVERIFY(QFile::remove(dir.filePath(dated.constFirst())));
    // A backup that cannot be made fails the save, and the file is kept as it was.
    QVERIFY(QFile::remove(backup) && QDir().mkpath(backup + QStringLiteral("/inside")));
    const SaveOutcome blocked = saveWorkFile(path, "third", true);
    QVERIFY(!blocked.ok && !blocked.error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("second"));
    // Unless the file holds the work already: nothing is to be kept then, nor written.
    QVERIFY(WorkFileSaves({path, path, QString()}, false).save("second").saved);
    // The file read goes on waiting for its backup while the saves go to the fallback,
    // and gets it when a save at last replaces it.
    WorkFileSaves saves({path, path, dir.filePath(QStringLiteral("data/trevanto.ini"))}, false);
    QVERIFY(saves.save("fourth").saved);
    QVERIFY(QDir(backup).removeRecursively() && saves.save("fifth").saved && saves.save("sixth").saved);
    QCOMPARE(readAll(backup) + readAll(path), QByteArray("secondsixth"));
    // A copy is no more open than the file it copies, and the file keeps its permissions
    // (private where the system has such bits; on Windows what the read-only mark says).
    const auto privateFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QVERIFY(QFile::setPermissions(path, privateFile) && QFile::remove(backup));
    const QFile::Permissions before = QFile::permissions(path);
    QVERIFY(saveWorkFile(path, "seventh", true).ok);
    QCOMPARE(QFile::permissions(backup), before);
    QCOMPARE(QFile::permissions(path), before);
    // The file is looked at once the new one is whole on the disk, just before it takes
    // the name (on a slow stick an editor's save may land while the new one is written):
    // what the file holds then is what is kept.
    bool newFileWhole = false;
    QVERIFY(saveWorkFile(path, "eighth", [&] {
        const QStringList beside = QDir(dir.path()).entryList({QStringLiteral("trevanto.ini.????????")}, QDir::Files);
        newFileWhole = beside.size() == 1 && readAll(dir.filePath(beside.constFirst())) == "eighth";
        return writeAll(path, "edited meanwhile");
    }).ok);
    QVERIFY(newFileWhole);
    QCOMPARE(readAll(backup) + u'|' + readAll(path), QByteArray("edited meanwhile|eighth"));
    // With no second place, a save that fails loses the work, and says so.
    QVERIFY(QFile::remove(path) && QDir().mkdir(path));
    const SaveReport lost = WorkFileSaves({path, path, QString()}, true).save("ninth");
    QVERIFY(!lost.saved && lost.message.startsWith(u"O trabalho foi perdido"));
}

// The window: what only it decides at start and close; the bytes and the reader's rules
// are the tables above.
void TestWorkFile::restart_data()
{
    QTest::addColumn<QByteArray>("file"); // null: none
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<int>("backup"); // a file not loaded whole, kept as .bak: 0 no, 1 and said so, 2 quietly
    QTest::addColumn<QByteArray>("written"); // by FIM

    const QByteArray typed = "DIR= 120;80,5;\r\nMET=45;300;\r\nWIDTH=12000\r\nHEIGHT=9000\r\nESCALA= 12\r\n"
                             "LEFT=200\r\nTOP=150\r\n";
    const auto sized = [](const char *size) { return "DIR=\r\nMET=\r\n" + QByteArray(size) + Untouched.sliced(38); };
    const auto legs = [](int count) {
        return "DIR=" + QByteArray("10;").repeated(count) + "\r\nMET=" + QByteArray("90;").repeated(count) + "\r\n";
    };
    const QSize standard(667, 533);
    QTest::newRow("no file -> not drawn; the first close creates it") << QByteArray() << standard << 0 << Untouched;
    QTest::newRow("typed work -> restored, written back byte for byte") << typed << QSize(800, 600) << 0 << typed;
    QTest::newRow("empty file -> as a fresh start, but drawn") << QByteArray("") << standard << 0 << Untouched;
    QTest::newRow("too small is clamped, the marker brought inside")
            << QByteArray("WIDTH=-5\r\nHEIGHT=0\r\n") << QSize(120, 40) << 0
            << QByteArray(sized("WIDTH=1800\r\nHEIGHT=600\r\n")).replace("LEFT=368\r\nTOP=256", "LEFT=107\r\nTOP=27");
    // The offscreen screen is 800 x 800: a window larger than it is shrunk to it and
    // moved onto it, while its saved size stays for a larger screen.
    QTest::newRow("larger than the screen is shrunk to it, on it, and keeps its size")
            << QByteArray("WIDTH=2000000000\r\n") << QSize(800, 533) << 0
            << sized("WIDTH=2000000000\r\nHEIGHT=8000\r\n");
    QTest::newRow("as large as the screen (maximized) -> at its corner")
            << QByteArray("WIDTH=12000\r\nHEIGHT=12000\r\n") << QSize(800, 800) << 0
            << sized("WIDTH=12000\r\nHEIGHT=12000\r\n");
    QTest::newRow("more legs than a course holds -> the first ones loaded")
            << legs(MaxLegs + 1) << standard << 1 << legs(MaxLegs) + Untouched.sliced(12);
    QTest::newRow("a NUL byte -> refused") << QByteArray("DIR=1;\r\nTOP=1\0\r\n", 17) << standard << 1 << Untouched;
    QTest::newRow("at the size limit -> read") << QByteArray("ESCALA=12\r\n").leftJustified(MaxWorkFileSize, ' ')
                                               << standard << 0 << QByteArray(Untouched).replace("ESCALA=10", "ESCALA=12");
    QTest::newRow("lists of unequal length -> the pairs loaded, said, kept")
            << QByteArray("DIR=100;200;500;\r\nMET=90;180;\r\n") << standard << 1
            << "DIR=100;200;\r\nMET=90;180;\r\n" + Untouched.sliced(12);
    QTest::newRow("a scale longer than the box -> cut, kept quietly")
            << "ESCALA=1" + QByteArray(MaxScaleLength, '0') + "\r\n" << standard << 2
            << QByteArray(Untouched).replace("ESCALA=10", "ESCALA=1" + QByteArray(MaxScaleLength - 1, '0'));
    QTest::newRow("a byte-order mark -> read whole, not kept")
            << "\xEF\xBB\xBF" + typed << QSize(800, 600) << 0 << typed;
    QTest::newRow("a line passed over -> kept, quietly") << "dir=1;\r\n" + typed << QSize(800, 600) << 2 << typed;
    QTest::newRow("a last item without ';' -> kept, quietly")
            << QByteArray(typed).replace("300;", "300;7") << QSize(800, 600) << 2 << typed;
    QTest::newRow("one byte over the size limit -> refused")
            << QByteArray("TOP=1\r\n").leftJustified(MaxWorkFileSize + 1, ' ') << standard << 1 << Untouched;
}

void TestWorkFile::restart()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, outer);
    QFETCH(int, backup);
    QFETCH(QByteArray, written);
    const auto fixture = start(file, brazil);
    Form1 &form = *fixture->form;
    if (file.startsWith("DIR= "))
        QCOMPARE(form.distances().join(u'|') + u' ' + form.bearings().join(u'|'), QStringLiteral(" 120|80,5 45|300"));
    // A file read is drawn at once, from the restored marker.
    if (!backup)
        QCOMPARE(form.lngPenX != 0, !file.isNull());
    QCOMPARE(form.proa.size(), std::size_t(form.distances().size() + 1));
    QCOMPARE(fixture->messages.texts.size(), backup == 1 ? 1 : 0);
    QVERIFY(backup != 1 || fixture->messages.texts.first().contains(QDir::toNativeSeparators(path() + QStringLiteral(".bak"))));
    QVERIFY(showActive(form));
    QCOMPARE(form.frameGeometry(), QRect(placeOnScreen(QPoint(33, 33), outer, form.screen()->availableGeometry()), outer));
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    // Only the first save keeps a backup. A closed window gets no second close event: the handler runs here.
    for (int close = 1; close <= 2; ++close) {
        QCOMPARE(readAll(path()), written);
        QVERIFY(readAll(path() + QStringLiteral(".bak")) == (backup ? file : QByteArray()));
        form.Form_QueryUnload();
    }
}

// A marker saved outside the window's inside (a larger window then, a smaller screen now)
// comes just inside it, and the course with it; the next save keeps the new place.
void TestWorkFile::markerInReach_data()
{
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<QPoint>("shown");
    // The designed window, 667 x 533 pixels: the marker is 9 x 9.
    QTest::newRow("far beyond the lower right -> in its corner") << QPoint(5000, 4000) << QPoint(658, 524);
    QTest::newRow("above and left -> in the upper left corner") << QPoint(-50, -60) << QPoint(0, 0);
    QTest::newRow("half over the right edge -> just inside") << QPoint(662, 100) << QPoint(658, 100);
    QTest::newRow("inside -> where it was") << QPoint(658, 524) << QPoint(658, 524);
}

void TestWorkFile::markerInReach()
{
    QFETCH(QPoint, saved);
    QFETCH(QPoint, shown);
    const auto fixture = start(QStringLiteral("DIR=100;\r\nMET=90;\r\nLEFT=%1\r\nTOP=%2\r\n").arg(saved.x()).arg(saved.y()).toLatin1());
    Form1 &form = *fixture->form;
    QCOMPARE(form.Picture1->pos(), shown);
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), shown + QPoint(105, 5)); // one leg 90 over 100 m
    form.Form_QueryUnload();
    QVERIFY(readAll(path()).endsWith(QStringLiteral("LEFT=%1\r\nTOP=%2\r\n").arg(shown.x()).arg(shown.y()).toLatin1()));
}

// What the start cannot read, of the file, its scale and its legs, is said once, in one
// message; the course is drawn through the legs that read, at a scale written under the
// other locale too. '@' stands for the work file's path.
void TestWorkFile::startSays_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QPoint>("pen"); // (0, 0): nothing drawn

    const QString unread2 = u"O trecho 2 do arquivo de trabalho não pôde ser lido e ficou fora do desenho."_s;
    const QString unequal = u"O arquivo de trabalho tem 3 metragens e 2 direções, e cada trecho precisa de uma de cada; "
                            "só os primeiros 2 trechos foram carregados. Antes de ser substituído, o arquivo completo será "
                            "guardado como @.bak."_s;
    QTest::newRow("a leg in no way -> drawn through the others, said once")
            << QByteArray("DIR=100;x;50;\r\nMET=90;90;180;\r\n") << unread2 << QPoint(473, 311);
    QTest::newRow("the scale 2,5 of a Brazilian file under C -> drawn")
            << QByteArray("DIR=100;\r\nMET=90;\r\nESCALA=2,5\r\n") << QString() << QPoint(398, 261);
    QTest::newRow("the scale in no way and a leg -> both in one message, nothing drawn")
            << QByteArray("DIR=100;x;\r\nMET=90;90;\r\nESCALA=2,5,5\r\n")
            << u"Informe uma ESCALA válida para o desenho! "_s + unread2 << QPoint();
    QTest::newRow("no scale -> said, and the unread leg with it")
            << QByteArray("DIR=100;x;\r\nMET=90;90;\r\nESCALA=\r\n")
            << u"Informe a ESCALA para o desenho! "_s + unread2 << QPoint();
    QTest::newRow("lists of unequal length and a leg in no way -> one message, the pairs drawn")
            << QByteArray("DIR=100;x;500;\r\nMET=90;90;\r\n") << unequal + u' ' + unread2 << QPoint(473, 261);
    QTest::newRow("one list empty -> no leg loaded")
            << QByteArray("DIR=100;\r\nMET=\r\n")
            << QString(unequal).replace(u"3 metragens e 2 direções"_s, u"1 metragem e 0 direções"_s)
                       .replace(u"só os primeiros 2 trechos foram carregados"_s, u"nenhum trecho foi carregado"_s)
            << QPoint(373, 261);
}

void TestWorkFile::startSays()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(QPoint, pen);
    const auto fixture = start(file);
    Form1 &form = *fixture->form;
    QCOMPARE(fixture->messages.texts.join(u'|'), QString(message).replace(u'@', QDir::toNativeSeparators(path())));
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), pen);
    QCOMPARE(form.distances().size(), form.bearings().size());
    form.Command3_Click(); // said at the start only
    QCOMPARE(fixture->messages.texts.size(), message.isEmpty() ? 0 : 1 + (pen.isNull() ? 1 : 0));
}

// Every kind of change reaches the file without a close.
void TestWorkFile::writtenBehind_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<QByteArray>("written");
    const auto with = [](const char *from, const char *to) { return QByteArray(Example).replace(from, to); };
    QTest::newRow("a leg included") << 0 << with("80;\r\n", "80;15;\r\n").replace("300;\r\n", "300;90;\r\n");
    QTest::newRow("the last leg deleted") << 1 << with("120;80;", "120;").replace("45;300;", "45;");
    QTest::newRow("the scale typed") << 2 << with("ESCALA=10", "ESCALA=107");
    QTest::newRow("the scale stepped") << 3 << with("ESCALA=10", "ESCALA=11");
    QTest::newRow("the marker dropped") << 4 << with("LEFT=200\r\nTOP=150", "LEFT=300\r\nTOP=301");
    QTest::newRow("the window resized") << 5 << with("WIDTH=10000\r\nHEIGHT=8000", "WIDTH=9000\r\nHEIGHT=7500");
    QTest::newRow("the window made smaller than it can be: as a restart gives it back")
            << 6 << with("WIDTH=10000\r\nHEIGHT=8000", "WIDTH=1800\r\nHEIGHT=600");
    QTest::newRow("the window maximized, then the marker dropped: the size before it kept")
            << 7 << with("LEFT=200\r\nTOP=150", "LEFT=300\r\nTOP=301");
    QTest::newRow("a NUL and a line break pasted into the scale -> spaces") << 8 << with("ESCALA=10", "ESCALA=10 5 ");
}

void TestWorkFile::writtenBehind()
{
    QFETCH(int, change);
    QFETCH(QByteArray, written);
    const auto fixture = start(Example);
    Form1 &form = *fixture->form;
    QVERIFY(showActive(form));
    const std::function<void()> changes[] = {
        [&] { include(form, "90", "15"); },
        [&] { QTest::mouseClick(form.Command2, Qt::LeftButton); },
        [&] { QTest::keyClicks(form.Text2, QStringLiteral("7")); },
        [&] { QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton); },
        [&] { form.Form_DragDrop(300, 301); },
        [&] { form.resize(QSize(600, 500) - (form.frameGeometry().size() - form.size())); }, // outer size
        [&] { form.resize(60, 20); },
        [&] {
            form.showMaximized();
            QTRY_VERIFY(form.width() > 700); // the offscreen screen is 800 wide
            form.Form_DragDrop(300, 301);
        },
        [&] {
            QGuiApplication::clipboard()->setText(QStringView(u"\u00005\n", 3).toString());
            form.Text2->end(false);
            form.Text2->paste();
        },
    };
    changes[change]();
    // Half a second after the change, and the save itself.
    QTRY_COMPARE_WITH_TIMEOUT(readAll(path()), written, 1000);
    // What was written, the next start reads whole.
    const WorkFileLoad next = loadWorkFile(path(), brazil);
    QVERIFY(next.status == LoadStatus::Loaded && !next.keepBackup);
}

// The window's thread held up (a print server that does not answer, any slow call): the
// leg reaches the disk all the same, and the exit status knows it.
void TestWorkFile::writtenWhileBlocked()
{
    const auto fixture = start(Example);
    Form1 &form = *fixture->form;
    include(form, "90", "15");
    QVERIFY(exitStatus() != 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // no event is handled meanwhile
    QVERIFY(readAll(path()).contains("80;15;\r\n"));
    QCOMPARE(exitStatus(), 0);
}

// A leg typed in a locale whose signs or separator lie beyond Latin-1 comes back as it
// went in, and is drawn where it was; a file of Latin-1 texts stays single-byte.
void TestWorkFile::legsComeBack_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("utf8");
    for (const auto &[name, utf8] : {std::pair("ar_EG", true), std::pair("fa_IR", true), std::pair("sv_SE", true),
                                     std::pair("ur_PK", true), std::pair("fr_FR", false), std::pair("pt_BR", false),
                                     std::pair("C", false)})
        QTest::newRow(name) << QLocale(QString::fromLatin1(name)) << utf8;
}

void TestWorkFile::legsComeBack()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, utf8);
    // The bearing -0.4 (taken as 0) with the locale's minus sign, the distance 12.5.
    const QString bearing = locale.negativeSign() + u'0' + locale.decimalPoint() + u'4';
    const QString distance = QStringLiteral("12") + locale.decimalPoint() + u'5';
    const QString scale = QStringLiteral("2") + locale.decimalPoint() + u'5';
    std::array<std::int32_t, 2> pen;
    {
        const auto first = start(QByteArray(), locale);
        first->form->Text2->setText(scale);
        first->form->Text4->setText(bearing);
        first->form->Text3->setText(distance);
        first->form->Command1_Click();
        QCOMPARE(first->messages.texts, QStringList());
        pen = {first->form->lngPenX, first->form->lngPenY};
        first->form->close();
    }
    QCOMPARE(readAll(path()).startsWith("\xEF\xBB\xBF"), utf8);
    const auto again = start(QByteArray(), locale);
    QCOMPARE(again->form->bearings(), QStringList{bearing});
    QCOMPARE(again->form->distances(), QStringList{distance});
    QCOMPARE(again->form->Text2->text(), scale);
    QCOMPARE((std::array{again->form->lngPenX, again->form->lngPenY}), pen);
    QCOMPARE(again->messages.texts, QStringList());
}

// Incluir and Excluir hand the work over once both lists have changed: a save can never
// hold one list changed and the other not.
void TestWorkFile::legsHandedOverTogether_data()
{
    QTest::addColumn<bool>("include");
    QTest::newRow("Incluir") << true;
    QTest::newRow("Excluir") << false;
}

void TestWorkFile::legsHandedOverTogether()
{
    QFETCH(bool, include);
    const auto fixture = start(Example);
    Form1 &form = *fixture->form;
    form.Form_QueryUnload();
    QCOMPARE(exitStatus(), 0);
    // The distances change first; between the two, the file must still hold all the work
    // handed over.
    QList<int> between;
    const auto look = [&] { between << exitStatus(); };
    connect(form.List1->model(), &QAbstractItemModel::rowsInserted, &form, look);
    connect(form.List1->model(), &QAbstractItemModel::rowsRemoved, &form, look);
    if (include)
        ::include(form, "90", "15");
    else
        QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(between, QList<int>{0});
    form.Form_QueryUnload();
    QVERIFY(readAll(path()).startsWith(include ? "DIR=120;80;15;\r\nMET=45;300;90;\r\n"_ba : "DIR=120;\r\nMET=45;\r\n"_ba));
}

QTEST_MAIN(TestWorkFile)
#include "tst_workfile.moc"
