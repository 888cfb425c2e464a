#include "app/commandline.h"
#include "app/console.h"
#include "app/form1.h"
#include "app/messagebox.h"
#include "app/printing.h"
#include "help/weblink.h"
#include "app/shutdown.h"
#include "app/style.h"
#include "app/translations.h"
#include "common/fonts.h"
#include "workfile/installation.h"
#include "workfile/worklock.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Set before the command line is read: --help names the data folder they make.
    QApplication::setApplicationName(QStringLiteral("Trevanto"));
    QApplication::setOrganizationName(QStringLiteral("Pervona"));

    trevanto::useParentConsole();
    const trevanto::CommandLineDecision commandLine = trevanto::decideCommandLine(argc, argv);
    if (!commandLine.start) {
        trevanto::writeText(commandLine.exitStatus == 0 ? stdout : stderr, commandLine.output);
        return commandLine.exitStatus;
    }

    // From here on a signal saves the work instead of ending the program on the spot.
    trevanto::catchTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("br.org.pervona.Trevanto"));
    // Before any message can show: a message box takes the program's icon from here.
    QApplication::setWindowIcon(programIcon());

    trevanto::useProgramStyle(commandLine.styleAsked);
    QApplication::setFont(trevanto::dialogFont());
    trevanto::installQtTranslations(app);

    trevanto::DialogMessages messages;
    trevanto::SystemPrinter printer;
    trevanto::DesktopLauncher launcher;

    Form1::Services services;
    services.messages = &messages;
    services.printer = &printer;
    services.launcher = &launcher;
    const QString programDir = QApplication::applicationDirPath();
    services.workFile = trevanto::chooseWorkFileLocation(
        programDir, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        trevanto::isInstalledProgramFolder(programDir));

    // A second copy on the same work would write its older course over the first one's.
    const trevanto::WorkLock lock = trevanto::lockWork(services.workFile);
    if (!lock.heldElsewhere.isEmpty()) {
        trevanto::setWorkOnDisk(true); // this copy holds no work of its own
        trevanto::endOnTermination(nullptr);
        messages.showMessage(nullptr, lock.heldElsewhere);
        return trevanto::endProgram();
    }
    services.workFileNotice = lock.notice;
    // Until the start-up has ended nothing has been typed: the file, untouched, holds
    // the work, whatever ends the program during a start-up message.
    trevanto::setWorkOnDisk(true);

    Form1 form(services);
    trevanto::endOnTermination(&form);
    form.Form_Load();
    // A signal during the start-up's message has already saved the work and ended
    // every event loop: the window is not shown then.
    if (!trevanto::isEnding()) {
        form.show();
        app.exec();
    }
    return trevanto::endProgram();
}
