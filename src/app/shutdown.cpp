#include "shutdown.h"

#include "app/messagebox.h"
#include "app/shutdown_p.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

#include <atomic>
#include <cstdlib>

namespace trevanto {

namespace shutdown {

std::atomic<bool> terminationAsked{false}; // any request after this is a later one

} // namespace shutdown

namespace {

std::atomic<bool> workOnDisk{false}; // set by the writer's thread too
bool ending = false;                 // the event thread's own flag
bool catching = false;               // catchTerminationSignals() has run: this is the program
bool mainEnded = false;
std::function<void()> unexpectedExitSave;

// Ends the program from the event thread, at most once.
class Terminator : public QObject
{
public:
    // Without a window, only the dialogs are closed.
    explicit Terminator(QWidget *window)
        : QObject(window ? static_cast<QObject *>(window) : QCoreApplication::instance())
        , m_window(window)
    {
        if (window)
            window->installEventFilter(this);
    }

    void end()
    {
        if (ending)
            return;
        ending = true;
        // Unwind the dialogs' event loops. Nobody may be there to read an open message,
        // so it goes to standard error as well.
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                tellOnStandardError(box->text());
            dialog->reject();
        }
        if (m_window && !m_closed)
            m_window->close();
        QCoreApplication::exit(); // every event loop, the nested ones too
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            m_closed = true; // the close handler has run, or is running under an open message
        return false;
    }

private:
    QWidget *m_window;
    bool m_closed = false;
};

// Registered with atexit(): an exit() that main() did not make.
void atExit()
{
    if (!catching || mainEnded)
        return;
    if (unexpectedExitSave) {
        shutdown::startDeadline();
        unexpectedExitSave();
    }
    std::_Exit(exitStatus());
}

} // namespace

void catchTerminationSignals()
{
    catching = true;
    shutdown::catchRequests();
}

void endOnTermination(QWidget *window)
{
    auto *terminator = new Terminator(window);
    shutdown::watchRequests(terminator, [terminator] { terminator->end(); });
}

bool isEnding()
{
    return ending;
}

bool isTerminationAsked()
{
    return shutdown::terminationAsked;
}

void setWorkOnDisk(bool onDisk)
{
    workOnDisk = onDisk;
}

int exitStatus()
{
    return workOnDisk ? 0 : 1;
}

void onUnexpectedExit(std::function<void()> save)
{
    // Registered once there is work to save: handlers run in the reverse order of their
    // registration, so by then Qt's own have gone in, and they are still there when
    // this one saves.
    static const bool registered = [] { return std::atexit(atExit) == 0; }();
    Q_UNUSED(registered);
    unexpectedExitSave = std::move(save);
}

int endProgram()
{
    mainEnded = true;
    return exitStatus();
}

} // namespace trevanto
