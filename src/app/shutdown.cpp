#include "shutdown.h"

#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace trevanto {

namespace {

int signalPipe[2] = {-1, -1};

// Only an async-signal-safe write here; the event loop does the rest.
void onSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

void closeOnTermination(QWidget *window)
{
    QPointer<QWidget> target(window);

    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [target] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(signalPipe[1], &byte, 1);
            if (target)
                target->close();
            QCoreApplication::quit();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT})
            ::sigaction(signalNumber, &action, nullptr);
    }

    // The session is ending: write the work now, while the session waits for us.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp, [target](QSessionManager &) {
        if (target)
            target->close();
    });
}

} // namespace trevanto
