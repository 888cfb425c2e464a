#pragma once

#include <functional>

class QWidget;

namespace trevanto {

// Catches SIGTERM, SIGHUP and SIGINT from the first moment on, before there is a
// window: one that comes early waits for endOnTermination(). Later signals change
// nothing, so the save is never cut short; only a save that has not ended five seconds
// after the first signal is abandoned, leaving the old file whole. SIGPIPE is ignored,
// and a SIGHUP or SIGINT that the program was started with ignored stays ignored.
void catchTerminationSignals();

// Ends the program for a caught signal, whenever it comes: from then on messages go to
// standard error, open dialogs are closed, the window is closed once (its close
// handler saves the work) and every event loop ends. `window` may be null when the
// program shows only a message.
void endOnTermination(QWidget *window);

// Whether the program is ending for a signal: nothing may wait for a click then, and
// main() neither shows the window nor enters the event loop.
bool isEnding();

// Whether a signal has asked the program to end. From any thread.
bool isTerminationAsked();

// Whether the work file holds the work as it is now; tells the exit status. From any
// thread.
void setWorkOnDisk(bool onDisk);

// The program's exit status: 0 when the work is on disk, 1 otherwise.
int exitStatus();

// Runs `save` when something other than main() ends the program with exit() (Qt does
// when the display's connection is lost), and then ends it with exitStatus(): the
// platform's own status would call the work lost though the file may hold it. The save
// is given up after five seconds. An empty function takes it back.
void onUnexpectedExit(std::function<void()> save);

// Returns the exit status as main() ends: from here on the exit is the program's own.
int endProgram();

} // namespace trevanto
