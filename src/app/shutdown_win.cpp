#include "shutdown_p.h"

#include "app/shutdown.h"

#include <QApplication>
#include <QWidget>
#include <QWinEventNotifier>

#include <algorithm>

#include <cstdlib>
#include <thread>

#include <windows.h>

namespace trevanto::shutdown {

namespace {

// Set by the first request to end; the event loop watches it.
HANDLE requested = nullptr;

// Runs on a thread the system makes for it. Ctrl+C and Ctrl+Break in the console the
// program was started from ask it to end; so does closing that console, after which
// the system ends the program as soon as this returns (or a few seconds later): it
// waits here meanwhile, for the program to save and end itself.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    if (!terminationAsked.exchange(true)) {
        ::SetEvent(requested);
        startDeadline();
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(AbandonAfterSeconds * 1000);
    return TRUE;
}

} // namespace

void catchRequests()
{
    requested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (requested)
        ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void watchRequests(QObject *owner, std::function<void()> asked)
{
    // The session's end: Windows asks through WM_QUERYENDSESSION, which Qt turns into
    // the session manager's commit request (the work keeper saves then), and then ends
    // it through WM_ENDSESSION, which Qt turns into aboutToQuit while the window is
    // still open, and after which the system ends the process at once. The window is
    // closed now, which saves the work, and the program ends with the status that says
    // whether the file holds it.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, owner, [asked] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::none_of(windows.begin(), windows.end(), [](const QWidget *window) { return window->isVisible(); }))
            return;
        asked();
        std::_Exit(exitStatus());
    });
    if (!requested)
        return;
    auto *notifier = new QWinEventNotifier(requested, owner);
    QObject::connect(notifier, &QWinEventNotifier::activated, owner,
                     [notifier, asked = std::move(asked)] {
                         notifier->setEnabled(false);
                         asked();
                     });
}

void startDeadline()
{
    std::thread([] {
        ::Sleep(AbandonAfterSeconds * 1000);
        std::_Exit(exitStatus());
    }).detach();
}

} // namespace trevanto::shutdown
