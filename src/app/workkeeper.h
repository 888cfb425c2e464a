#pragma once

#include "workfile/workfile.h"
#include "workfile/workfilewriter.h"

#include <QObject>
#include <QSessionManager>

#include <functional>

namespace trevanto {

// Keeps the user's work on disk. After every change the work is handed to a writer on a
// thread of its own, which writes it half a second after the first change of a burst,
// so that a crash or a power cut costs at most the last second of work and nothing the
// window's thread does can hold it back; the close writes it once more, and waits for
// it, and so does the desktop's request before the session ends, after which the
// program goes on. It also tells the exit status whether the file holds the work.
class WorkKeeper : public QObject
{
    Q_OBJECT

public:
    // `save` writes the bytes, on the writer's thread; `state` gives the work as it is
    // at the moment it is called.
    WorkKeeper(WorkFileWriter::Save save, const QLocale &locale, std::function<WorkFileState()> state);
    ~WorkKeeper() override;

    // The start-up has ended: the work as it is now is what later changes change.
    void started();

    // The work has changed: it is written soon.
    void changed();

    // Writes the work now and returns when it is written, or could not be.
    SaveReport saveNow();

signals:
    // A save in the background, or the one the session asked for, has something new to
    // tell the user: where the work went instead, or that it was lost.
    void told(const QString &message);

private:
    void commitData(QSessionManager &session);
    void saved(const trevanto::SaveReport &report, quint64 version);
    void tell(const SaveReport &report);

    std::function<WorkFileState()> m_state;
    WorkFileWriter m_writer;
    quint64 m_toldVersion = 0; // the newest save whose outcome was looked at
    QString m_lastMessage;     // told of the last save
};

} // namespace trevanto
