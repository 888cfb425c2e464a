#include "shutdown.h"

#include "app/messagebox.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace trevanto {

namespace {

// A save that has not ended this long after the first signal is abandoned.
constexpr unsigned AbandonAfterSeconds = 5;

// A socket pair standing for a self-pipe: the handler writes into [1], the event loop
// reads from [0], as with pipe()'s two ends.
int signalPipe[2] = {-1, -1};

// What the signal handlers share with the rest: lock-free atomics only, since a signal
// may land on any of the program's threads.
std::atomic<bool> terminationAsked{false}; // any signal after this is a later one
std::atomic<bool> workOnDisk{false};
static_assert(std::atomic<bool>::is_always_lock_free);

bool ending = false; // the event thread's own flag
bool catching = false;  // catchTerminationSignals() has run: this is the program
bool mainEnded = false;
std::function<void()> unexpectedExitSave;

// Async-signal-safe. The first signal wakes the event loop through the pipe and sets
// the deadline of the save; later ones find the program ending already.
void onSignal(int)
{
    const int savedErrno = errno;
    if (!terminationAsked.exchange(true)) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
        ::alarm(AbandonAfterSeconds);
    }
    errno = savedErrno;
}

// The save has outlasted its deadline: the work file stays as it was.
void onDeadline(int)
{
    ::_exit(exitStatus());
}

void handle(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

bool startedIgnoring(int signalNumber)
{
    struct sigaction current = {};
    return ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

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
        ::alarm(AbandonAfterSeconds);
        unexpectedExitSave();
    }
    ::_exit(exitStatus());
}

} // namespace

void catchTerminationSignals()
{
    catching = true;
    // A closed standard error or output never ends the program: the write just fails.
    ::signal(SIGPIPE, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    handle(SIGALRM, onDeadline);
    sigset_t handled;
    sigemptyset(&handled);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        // Started with it ignored (nohup, a background job): so it stays.
        if (signalNumber != SIGTERM && startedIgnoring(signalNumber))
            continue;
        sigaddset(&handled, signalNumber);
    }
    // Held back while the handlers go in one by one, so that a signal coming between
    // two of them waits for its handler instead of meeting the default action.
    ::pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        if (sigismember(&handled, signalNumber))
            handle(signalNumber, onSignal);
    }
    // Also a signal that waited while a parent had these blocked is handled now, in
    // the first event loop that runs.
    ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

void endOnTermination(QWidget *window)
{
    auto *terminator = new Terminator(window);
    if (signalPipe[0] < 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, terminator);
    QObject::connect(notifier, &QSocketNotifier::activated, terminator, [terminator] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        terminator->end();
    });
}

bool isEnding()
{
    return ending;
}

bool isTerminationAsked()
{
    return terminationAsked;
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
