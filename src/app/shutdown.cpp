#include "shutdown.h"

#include "app/messagebox.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace trevanto {

namespace {

// What the signal handler shares with the rest: lock-free atomics only, since a
// signal may land on any of the program's threads.
// A socket pair standing for a self-pipe: the handler writes into [1], the event loop
// reads from [0], as with pipe()'s two ends.
int signalPipe[2] = {-1, -1};
std::atomic<bool> terminationAsked{false}; // any signal after this is a second one
std::atomic<bool> workSaved{false};
enum SavePhase : int { Idle, Saving, ExitAfterSave, Exiting };
std::atomic<int> savePhase{Idle};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

bool ending = false; // the event thread's own flag

[[noreturn]] void exitNow()
{
    ::_exit(exitStatus());
}

// Async-signal-safe. The first signal wakes the event loop through the pipe; a second
// one ends the program now, or right after a save that is under way.
void onSignal(int)
{
    const int savedErrno = errno;
    if (!terminationAsked.exchange(true)) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    } else {
        int phase = savePhase.load();
        while (phase == Idle || phase == Saving) {
            if (savePhase.compare_exchange_weak(phase, phase == Idle ? Exiting : ExitAfterSave)) {
                if (phase == Idle)
                    exitNow();
                break;
            }
        }
    }
    errno = savedErrno;
}

// Ends the program from the event thread, at most once.
class Terminator : public QObject
{
public:
    explicit Terminator(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
    }

    void end()
    {
        terminationAsked = true;
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
        if (!m_closed)
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

} // namespace

void endOnTermination(QWidget *window)
{
    auto *terminator = new Terminator(window);

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, terminator);
        QObject::connect(notifier, &QSocketNotifier::activated, terminator, [terminator] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
            terminator->end();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigset_t handled;
        sigemptyset(&handled);
        for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
            ::sigaction(signalNumber, &action, nullptr);
            sigaddset(&handled, signalNumber);
        }
        // A parent may have started the program with these blocked; a signal that has
        // waited meanwhile is handled now, in the first event loop that runs.
        ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
    }

    // The session is ending: save the work now, while the session waits for us.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, terminator,
                     [terminator](QSessionManager &) { terminator->end(); });
}

bool isEnding()
{
    return ending;
}

void saveUninterrupted(const std::function<bool()> &save)
{
    int phase = Idle;
    if (!savePhase.compare_exchange_strong(phase, Saving))
        exitNow(); // a second signal is ending the program at this very moment
    workSaved = save();
    if (savePhase.exchange(Idle) == ExitAfterSave)
        exitNow();
}

int exitStatus()
{
    return workSaved ? 0 : 1;
}

} // namespace trevanto
