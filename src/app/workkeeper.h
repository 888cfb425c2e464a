#pragma once

#include "workfile/workfile.h"
#include "workfile/workfilewriter.h"

#include <QByteArray>
#include <QObject>
#include <QSessionManager>
#include <QTimer>

#include <functional>

namespace trevanto {

// Keeps the user's work on disk. After a change the work file is written in the
// background, half a second after the first change of a burst, so that a crash or a
// power cut costs at most the last second of work; the close writes it once more, and
// waits for it, and so does the desktop's request before the session ends, after which
// the program goes on. It also tells the exit status whether the file holds the work.
class WorkKeeper : public QObject
{
    Q_OBJECT

public:
    // `bytes` gives the work file's bytes for the work as it is at the moment it is
    // called. With `keepBackup`, the file read at start is kept as "<name>.bak" before
    // the first save that replaces it.
    WorkKeeper(const WorkFileLocation &location, bool keepBackup, std::function<QByteArray()> bytes);

    // The work has changed: it is written soon.
    void changed();

    // Writes the work now and returns when it is written, or could not be.
    SaveReport saveNow();

signals:
    // A save in the background, or the one the session asked for, has something new to
    // tell the user: where the work went instead, or that it was lost.
    void told(const QString &message);

private:
    void saveInBackground();
    void commitData(QSessionManager &session);
    void saved(const trevanto::SaveReport &report, quint64 version);

    std::function<QByteArray()> m_bytes;
    WorkFileWriter m_writer;
    QTimer m_timer;
    quint64 m_version = 1;      // counts the changes of the work; none is on disk at first
    quint64 m_savedVersion = 0; // the version the work file holds
    QString m_lastMessage;      // told of the last save
};

} // namespace trevanto
