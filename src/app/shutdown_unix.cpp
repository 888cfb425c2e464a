#include "shutdown_p.h"

#include "app/shutdown.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace trevanto::shutdown {

namespace {

// A socket pair standing for a self-pipe: the handler writes into [1], the event loop
// reads from [0], as with pipe()'s two ends.
int signalPipe[2] = {-1, -1};

// Async-signal-safe. The first signal wakes the event loop through the pipe and sets
// the deadline of the save; later ones find the program ending already.
void onSignal(int)
{
    const int savedErrno = errno;
    if (!terminationAsked.exchange(true)) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
        startDeadline();
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

} // namespace

void catchRequests()
{
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

void watchRequests(QObject *owner, std::function<void()> asked)
{
    if (signalPipe[0] < 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [asked = std::move(asked)] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        asked();
    });
}

void startDeadline()
{
    ::alarm(AbandonAfterSeconds);
}

} // namespace trevanto::shutdown
