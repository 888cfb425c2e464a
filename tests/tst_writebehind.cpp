// The work written behind the user: the writer's delay and its thread, saves that overlap
// changes and closes, and what the keeper tells of them. The saves are scripted: each
// one can be held until released, or made to fail.

#include "app/workkeeper.h"
#include "workfile/workfilewriter.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace trevanto;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A save that records what it was given and when, and does what the test says.
class ScriptedSaves
{
public:
    SaveReport save(const QByteArray &bytes)
    {
        std::unique_lock lock(m_mutex);
        m_started.push_back({scale(bytes), Clock::now()});
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_holding; });
        if (m_failNext) {
            m_failNext = false;
            return {false, QStringLiteral("perdido")};
        }
        return {true, QString()};
    }
    WorkFileWriter::Save function()
    {
        return [this](const QByteArray &bytes) { return save(bytes); };
    }

    void hold()
    {
        const std::lock_guard lock(m_mutex);
        m_holding = true;
    }
    void release()
    {
        const std::lock_guard lock(m_mutex);
        m_holding = false;
        m_changed.notify_all();
    }
    void failNext()
    {
        const std::lock_guard lock(m_mutex);
        m_failNext = true;
    }
    // Waits until `count` saves have started; false after two seconds.
    bool waitForStarts(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 2s, [&] { return m_started.size() >= count; });
    }
    // The scales of the saves started so far, "10 11".
    QString scales()
    {
        const std::lock_guard lock(m_mutex);
        QStringList all;
        for (const Start &start : m_started)
            all << start.scale;
        return all.join(u' ');
    }
    Clock::time_point startOf(std::size_t i)
    {
        const std::lock_guard lock(m_mutex);
        return m_started.at(i).at;
    }

private:
    struct Start
    {
        QString scale;
        Clock::time_point at;
    };
    // The scale names the work in these tests.
    static QString scale(const QByteArray &bytes)
    {
        const qsizetype from = bytes.indexOf("ESCALA=") + 7;
        return QString::fromLatin1(bytes.mid(from, bytes.indexOf('\r', from) - from));
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Start> m_started;
    bool m_holding = false;
    bool m_failNext = false;
};

WorkFileState work(const char *scale)
{
    WorkFileState state;
    state.scale = QString::fromLatin1(scale);
    return state;
}

qint64 millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

} // namespace

class TestWriteBehind : public QObject
{
    Q_OBJECT

private slots:
    void laterChangesDoNotPutTheSaveOff();
    void changeDuringSave();
    void closeDuringSave();
    void hurriedByAnEndingProgram();
    void staleReportNeverShown();
    void failureToldOnce();

private:
    std::atomic<bool> m_onDisk{false};
    std::function<void(bool)> onDisk()
    {
        return [this](bool onDisk) { m_onDisk = onDisk; };
    }
};

// Changes every 100 ms for 1.5 s: the first save starts half a second after the first
// change, not after the last one, and takes the newest work.
void TestWriteBehind::laterChangesDoNotPutTheSaveOff()
{
    ScriptedSaves saves;
    WorkFileWriter writer(saves.function(), QLocale::c(), 500ms, onDisk());
    const Clock::time_point first = Clock::now();
    for (int i = 0; i < 15; ++i) {
        writer.changed(work(QByteArray::number(i).constData()));
        std::this_thread::sleep_for(100ms);
    }
    QVERIFY(saves.waitForStarts(1));
    const qint64 after = millisecondsBetween(first, saves.startOf(0));
    QVERIFY2(after >= 500 && after < 1000, QByteArray::number(after).constData());
    QVERIFY(saves.scales().split(u' ').first().toInt() >= 4);
}

// A change while a save is under way is written after it, once.
void TestWriteBehind::changeDuringSave()
{
    ScriptedSaves saves;
    WorkFileWriter writer(saves.function(), QLocale::c(), 50ms, onDisk());
    saves.hold();
    writer.changed(work("1"));
    QVERIFY(saves.waitForStarts(1));
    writer.changed(work("2"));
    writer.changed(work("3"));
    QVERIFY(!m_onDisk);
    saves.release();
    QVERIFY(saves.waitForStarts(2));
    QTRY_VERIFY_WITH_TIMEOUT(m_onDisk, 1000);
    QCOMPARE(saves.scales(), QStringLiteral("1 3"));
}

// The close waits for the save under way, then writes the newest work itself and hears
// how that went.
void TestWriteBehind::closeDuringSave()
{
    ScriptedSaves saves;
    WorkFileWriter writer(saves.function(), QLocale::c(), 10ms, onDisk());
    saves.hold();
    writer.changed(work("1"));
    QVERIFY(saves.waitForStarts(1));
    std::thread releaser([&] {
        std::this_thread::sleep_for(200ms);
        saves.failNext();
        saves.release();
    });
    const WorkFileWriter::Written closing = writer.writeNow(work("2"));
    releaser.join();
    QCOMPARE(saves.scales(), QStringLiteral("1 2"));
    QVERIFY(closing.report.saved);
    QVERIFY(m_onDisk);
}

// Once the program is ending, a save that waits for its delay starts at once.
void TestWriteBehind::hurriedByAnEndingProgram()
{
    ScriptedSaves saves;
    std::atomic<bool> ending = false;
    WorkFileWriter writer(saves.function(), QLocale::c(), 10s, onDisk(), [&] { return bool(ending); });
    const Clock::time_point changed = Clock::now();
    writer.changed(work("1"));
    std::this_thread::sleep_for(100ms);
    QCOMPARE(saves.scales(), QString());
    ending = true;
    QVERIFY(saves.waitForStarts(1));
    QVERIFY(millisecondsBetween(changed, saves.startOf(0)) < 1000);
}

// A background save that failed, and whose report has not been read yet when the close
// writes the work anew and succeeds, is never shown: the close ends the program at once.
void TestWriteBehind::staleReportNeverShown()
{
    ScriptedSaves saves;
    QByteArray scale = "10";
    WorkKeeper keeper(saves.function(), QLocale::c(), [&] { return work(scale.constData()); });
    QSignalSpy told(&keeper, &WorkKeeper::told);
    keeper.started();
    scale = "11";
    saves.failNext();
    keeper.changed();
    QVERIFY(saves.waitForStarts(1));
    std::this_thread::sleep_for(100ms); // its report waits in the event queue
    QVERIFY(keeper.saveNow().saved);
    QTest::qWait(50);
    QCOMPARE(told.count(), 0);
}

// A failed save in the background is told, once however often it fails the same way.
void TestWriteBehind::failureToldOnce()
{
    ScriptedSaves saves;
    QByteArray scale = "10";
    WorkKeeper keeper(saves.function(), QLocale::c(), [&] { return work(scale.constData()); });
    QSignalSpy told(&keeper, &WorkKeeper::told);
    keeper.started();
    for (const char *next : {"11", "12"}) {
        scale = next;
        saves.failNext();
        keeper.changed();
        QTRY_COMPARE_WITH_TIMEOUT(saves.scales().split(u' ').last(), QString::fromLatin1(next), 2000);
    }
    QTest::qWait(50);
    QCOMPARE(told.count(), 1);
    QCOMPARE(told.at(0).at(0).toString(), QStringLiteral("perdido"));
}

QTEST_MAIN(TestWriteBehind)
#include "tst_writebehind.moc"
