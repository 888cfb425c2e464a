#include "workfilewriter.h"

namespace trevanto {

namespace {

// While a save waits for its delay, how often the writer asks whether to hurry.
constexpr std::chrono::milliseconds HurryCheck(20);

} // namespace

WorkFileWriter::WorkFileWriter(Save save, const QLocale &locale, std::chrono::milliseconds delay,
                               std::function<void(bool)> onDisk, std::function<bool()> hurry)
    : m_save(std::move(save))
    , m_locale(locale)
    , m_delay(delay)
    , m_onDisk(std::move(onDisk))
    , m_hurry(std::move(hurry))
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

bool WorkFileWriter::setNewest(const WorkFileState &state)
{
    // The lists are compared by their shared texts first, so an unchanged course costs
    // nothing to compare.
    if (m_version > 0 && state == m_newest)
        return false;
    m_newest = state;
    ++m_version;
    tellOnDisk();
    return true;
}

void WorkFileWriter::tellOnDisk()
{
    if (m_onDisk)
        m_onDisk(m_savedVersion == m_version);
}

void WorkFileWriter::begin(const WorkFileState &state, bool onDisk)
{
    const std::lock_guard lock(m_mutex);
    setNewest(state);
    if (onDisk)
        m_savedVersion = m_version;
    tellOnDisk();
}

void WorkFileWriter::changed(const WorkFileState &state)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!setNewest(state) || m_due)
            return;
        m_due = true;
        m_dueAt = Clock::now() + m_delay;
    }
    m_wake.notify_all();
}

WorkFileWriter::Written WorkFileWriter::saveAtOnce(std::unique_lock<std::mutex> &lock)
{
    const quint64 ticket = ++m_asked;
    m_wake.notify_all();
    m_wake.wait(lock, [&] { return m_answered >= ticket; });
    return m_answer;
}

WorkFileWriter::Written WorkFileWriter::writeNow(const WorkFileState &state)
{
    std::unique_lock lock(m_mutex);
    setNewest(state);
    return saveAtOnce(lock);
}

void WorkFileWriter::flush()
{
    std::unique_lock lock(m_mutex);
    if (m_savedVersion != m_version)
        saveAtOnce(lock);
}

void WorkFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Until a save is asked for at once, or one that waits is due.
        for (;;) {
            if (m_stopping)
                return;
            if (m_asked > m_taken)
                break;
            if (!m_due) {
                m_wake.wait(lock);
                continue;
            }
            const Clock::time_point now = Clock::now();
            if (now >= m_dueAt || (m_hurry && m_hurry()))
                break;
            m_wake.wait_until(lock, std::min(m_dueAt, now + HurryCheck));
        }
        const WorkFileState state = m_newest;
        const quint64 version = m_version;
        const quint64 taking = m_asked;
        m_taken = taking;
        m_due = false;
        lock.unlock();

        const SaveReport report = m_save(formatWorkFile(state, m_locale));

        lock.lock();
        if (report.saved && version > m_savedVersion) {
            m_savedVersion = version;
            tellOnDisk();
        }
        m_answered = taking;
        m_answer = {report, version};
        m_wake.notify_all();
        lock.unlock();
        emit written(report, version);
        lock.lock();
    }
}

} // namespace trevanto
