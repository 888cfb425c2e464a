#include "workkeeper.h"

#include "app/messagebox.h"
#include "app/shutdown.h"

#include <QGuiApplication>

namespace trevanto {

WorkKeeper::WorkKeeper(WorkFileWriter::Save save, const QLocale &locale, std::function<WorkFileState()> state)
    : m_state(std::move(state))
    , m_writer(std::move(save), locale, std::chrono::milliseconds(500), setWorkOnDisk, isTerminationAsked)
{
    connect(&m_writer, &WorkFileWriter::written, this, &WorkKeeper::saved);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &WorkKeeper::commitData);
    // A program ended by its platform without a close (a lost display) still leaves
    // the newest work on the disk first.
    onUnexpectedExit([this] { m_writer.flush(); });
}

WorkKeeper::~WorkKeeper()
{
    onUnexpectedExit({});
}

void WorkKeeper::started()
{
    // Nothing has been saved yet: until then the file may hold other work.
    m_writer.begin(m_state(), false);
}

void WorkKeeper::changed()
{
    m_writer.changed(m_state());
}

void WorkKeeper::saved(const SaveReport &report, quint64 version)
{
    // A later save, the close's among them, has said how things are now.
    if (version <= m_toldVersion)
        return;
    m_toldVersion = version;
    tell(report);
}

void WorkKeeper::tell(const SaveReport &report)
{
    // A save that goes on failing, or on going to the second place, is told once.
    if (report.message == m_lastMessage)
        return;
    m_lastMessage = report.message;
    if (!report.message.isEmpty())
        emit told(report.message);
}

// What the save has to say waits for a click only when the session lets the program ask
// for one; otherwise it goes to standard error.
void WorkKeeper::commitData(QSessionManager &session)
{
    const QString said = saveNow().message;
    if (said.isEmpty())
        return;
    if (!session.allowsInteraction())
        return tellOnStandardError(said);
    emit told(said);
    session.release();
}

SaveReport WorkKeeper::saveNow()
{
    const WorkFileWriter::Written written = m_writer.writeNow(m_state());
    m_toldVersion = std::max(m_toldVersion, written.version);
    m_lastMessage = written.report.message;
    return written.report;
}

} // namespace trevanto
