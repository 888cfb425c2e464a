#pragma once

#include "workfile/workfile.h"

#include <QLocale>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace trevanto {

// Writes the work file on a thread of its own, so that nothing the window's thread does
// (a slow disk, a print server that does not answer, a long redraw) holds the work back.
// The window hands over the work as it is after every change; the writer waits `delay`
// after the first change of a burst (later ones do not put it off), turns the newest
// work into the file's bytes and saves them. Handing over costs the window no more than
// a copy of the lists, which share their texts.
class WorkFileWriter : public QObject
{
    Q_OBJECT

public:
    // Saves the bytes and says how it went. Runs on the writer's thread.
    using Save = std::function<SaveReport(const QByteArray &bytes)>;

    // `onDisk` is told, on whichever thread knows it first, whether the file holds the
    // newest work handed over. `hurry` is asked, while a save waits for its delay,
    // whether it should start at once (the program is ending); from any thread.
    WorkFileWriter(Save save, const QLocale &locale, std::chrono::milliseconds delay,
                   std::function<void(bool)> onDisk, std::function<bool()> hurry = {});
    // Ends the save under way; a save still waiting for its delay is dropped.
    ~WorkFileWriter() override;

    // The work as it is at the start, known to be what the file holds or not; nothing is
    // written for it.
    void begin(const WorkFileState &state, bool onDisk);
    // The work has changed to `state`: written after the delay.
    void changed(const WorkFileState &state);

    struct Written
    {
        SaveReport report;
        quint64 version = 0;
    };
    // Writes `state` now, once the save under way has ended, and returns how it went.
    Written writeNow(const WorkFileState &state);
    // Writes the newest work now when the file does not hold it yet, and returns when
    // the file does or the save has failed.
    void flush();

signals:
    // A save has ended: `version` counts the changes handed over before it, so a later
    // save has a larger one. Raised on the writer's thread.
    void written(const trevanto::SaveReport &report, quint64 version);

private:
    using Clock = std::chrono::steady_clock;

    void run();
    bool setNewest(const WorkFileState &state); // with the lock held
    void tellOnDisk();                          // with the lock held
    // Asks for a save at once and waits until it has ended; with the lock held.
    Written saveAtOnce(std::unique_lock<std::mutex> &lock);

    const Save m_save;
    const QLocale m_locale;
    const std::chrono::milliseconds m_delay;
    const std::function<void(bool)> m_onDisk;
    const std::function<bool()> m_hurry;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    WorkFileState m_newest;
    quint64 m_version = 0;      // of m_newest
    quint64 m_savedVersion = 0; // the newest version the file holds
    bool m_due = false;         // a save waits for its delay
    Clock::time_point m_dueAt;
    // Saves asked for at once: how many were asked, how many a save has taken up, and
    // how many were answered by a save that has ended, with that save's outcome.
    quint64 m_asked = 0;
    quint64 m_taken = 0;
    quint64 m_answered = 0;
    Written m_answer;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once the rest is ready
};

} // namespace trevanto
