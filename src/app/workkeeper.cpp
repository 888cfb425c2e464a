#include "workkeeper.h"

#include "app/messagebox.h"
#include "app/shutdown.h"

#include <QGuiApplication>

namespace trevanto {

WorkKeeper::WorkKeeper(const WorkFileLocation &location, bool keepBackup, std::function<QByteArray()> bytes)
    : m_bytes(std::move(bytes))
    , m_writer(location, keepBackup)
{
    // A burst of changes is written once; the timer is not started again by later ones,
    // so that steady typing cannot hold the writing back.
    m_timer.setSingleShot(true);
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &WorkKeeper::saveInBackground);
    connect(&m_writer, &WorkFileWriter::written, this, &WorkKeeper::saved);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &WorkKeeper::commitData);
}

void WorkKeeper::changed()
{
    ++m_version;
    setWorkOnDisk(false);
    if (!m_timer.isActive())
        m_timer.start();
}

void WorkKeeper::saveInBackground()
{
    if (m_savedVersion != m_version)
        m_writer.write(m_bytes(), m_version);
}

void WorkKeeper::saved(const SaveReport &report, quint64 version)
{
    if (report.saved && version > m_savedVersion) {
        m_savedVersion = version;
        setWorkOnDisk(version == m_version);
    }
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
    m_timer.stop();
    const SaveReport report = m_writer.writeNow(m_bytes());
    if (report.saved)
        m_savedVersion = m_version;
    // A failed save leaves the file as it was: it may hold the work all the same.
    setWorkOnDisk(m_savedVersion == m_version);
    m_lastMessage = report.message;
    return report;
}

} // namespace trevanto
