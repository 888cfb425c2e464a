#pragma once

#include <QString>

namespace trevanto {

// What main() does with the command line, decided before QApplication exists so that
// --help and --version work without a display.
struct CommandLineDecision
{
    bool start = true;   // go on and open the window, handing argv to QApplication as it is
    int exitStatus = 0;  // otherwise end with this status after printing output:
    QString output;      // on standard output when the status is 0, else on standard error
    bool styleAsked = false; // Qt's -style option is among the arguments
};

// Reads argv[1] onwards. -h/--help prints the usage, which names the work file in the
// user's data folder as this machine has it (XDG_DATA_HOME, else ~/.local/share, then
// the organisation's and the program's names, which main() sets first), and
// -v/--version the version, both with status 0. Qt's own options (one or two dashes,
// with the value they take) are left for QApplication. Anything else ends the program
// with status 2 and one line naming it: an unknown option, a Qt option without its
// value, or a bare argument, since the program opens no files. A bare "--" ends the
// options.
CommandLineDecision decideCommandLine(int argc, const char *const *argv);

} // namespace trevanto
