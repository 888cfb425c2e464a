#pragma once

#include <functional>

class QWidget;

namespace trevanto {

// Ends the program for SIGTERM, SIGHUP or SIGINT and for the end of the desktop
// session, whenever they come: from then on messages go to standard error, open
// dialogs are closed, the window is closed once (its close handler saves the work)
// and every event loop ends. A second signal ends the program at once, though never
// in the middle of saving the work.
void endOnTermination(QWidget *window);

// Whether the program is ending for a signal or the session's end: nothing may wait
// for a click then, and main() neither shows the window nor enters the event loop.
bool isEnding();

// Runs `save`, which saves the work and returns whether it was kept. A second signal
// that comes meanwhile ends the program right after it, so the work file is always
// the old or the new one, whole, and no temporary file is left behind.
void saveUninterrupted(const std::function<bool()> &save);

// The program's exit status: 0 when the last save kept the work, 1 otherwise.
int exitStatus();

} // namespace trevanto
