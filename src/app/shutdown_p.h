#pragma once

// What the shared half of the program's end and each system's half tell each other.

#include <QObject>

#include <atomic>
#include <functional>

namespace trevanto::shutdown {

// A save that has not ended this long after the first request to end is abandoned.
inline constexpr unsigned AbandonAfterSeconds = 5;

// Set by the first request to end (a signal, a console's Ctrl+C or close), from any
// thread, a signal handler included: lock-free.
extern std::atomic<bool> terminationAsked;
static_assert(std::atomic<bool>::is_always_lock_free);

// This system's half: catches the requests to end from the first moment on.
void catchRequests();

// Calls `asked` on the event thread, through `owner`'s event loop, once a request to end
// has come (also one that came before this call).
void watchRequests(QObject *owner, std::function<void()> asked);

// Ends the program with exitStatus() if it has not ended AbandonAfterSeconds from now.
void startDeadline();

} // namespace trevanto::shutdown
