#include "workfilewriter.h"

namespace trevanto {

WorkFileWriter::WorkFileWriter(const WorkFileLocation &location, bool keepBackup)
    : m_location(location)
    , m_keepBackup(keepBackup)
    , m_thread([this] { run(); })
{
}

WorkFileWriter::~WorkFileWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void WorkFileWriter::write(QByteArray bytes, quint64 version)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Job{std::move(bytes), version, true};
    }
    m_wake.notify_all();
}

SaveReport WorkFileWriter::writeNow(QByteArray bytes)
{
    std::unique_lock lock(m_mutex);
    // Whatever waits is older than these bytes; the save under way is let finish.
    m_waiting = Job{std::move(bytes), 0, false};
    m_wake.notify_all();
    m_wake.wait(lock, [&] { return !m_waiting && !m_busy; });
    return m_lastReport;
}

SaveReport WorkFileWriter::save(const QByteArray &bytes)
{
    return saveWork(m_location, bytes, m_keepBackup);
}

void WorkFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_waiting || m_stopping; });
        if (!m_waiting)
            return;
        const Job job = std::move(*m_waiting);
        m_waiting.reset();
        m_busy = true;
        lock.unlock();
        const SaveReport report = save(job.bytes);
        if (job.reported)
            emit written(report, job.version);
        lock.lock();
        m_busy = false;
        m_lastReport = report;
        m_wake.notify_all();
    }
}

} // namespace trevanto
