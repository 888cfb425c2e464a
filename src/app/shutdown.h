#pragma once

class QWidget;

namespace trevanto {

// Makes SIGTERM, SIGHUP and SIGINT, and the end of the desktop session, close the
// window the ordinary way, so its close handler writes the user's work.
void closeOnTermination(QWidget *window);

} // namespace trevanto
