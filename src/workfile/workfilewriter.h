#pragma once

#include "workfile/workfile.h"

#include <QByteArray>
#include <QObject>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace trevanto {

// Writes the work file on a thread of its own, so that a slow disk never holds up the
// window. Every save is saveWork(): the same safe replace, in the same place, with the
// same fallback. Bytes handed over while a save is under way wait for it, and only the
// newest of them: a burst of changes is written once.
class WorkFileWriter : public QObject
{
    Q_OBJECT

public:
    // With `keepBackup`, the file read at start is kept as "<name>.bak" before the
    // first save that replaces it.
    WorkFileWriter(const WorkFileLocation &location, bool keepBackup);
    // Ends the save under way and the one waiting first.
    ~WorkFileWriter() override;

    // Hands over the bytes of the work as it was at `version`, to be written soon.
    void write(QByteArray bytes, quint64 version);

    // Writes the bytes and returns when they are written, or could not be.
    SaveReport writeNow(QByteArray bytes);

signals:
    // A save handed over with write() has ended. Raised on the writer's thread.
    void written(const trevanto::SaveReport &report, quint64 version);

private:
    struct Job
    {
        QByteArray bytes;
        quint64 version = 0;
        bool reported = true; // raises written() when done
    };

    void run();
    SaveReport save(const QByteArray &bytes);

    const WorkFileLocation m_location;
    bool m_keepBackup; // only the writer's thread touches it once it runs

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_waiting;
    bool m_busy = false;     // a save is under way
    bool m_stopping = false;
    SaveReport m_lastReport; // of the last save that ended
    std::thread m_thread;    // last: it starts once the rest is ready
};

} // namespace trevanto
