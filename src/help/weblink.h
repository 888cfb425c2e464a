#pragma once

#include <QString>
#include <QUrl>

namespace trevanto {

// Starts other programs for the web link. Production asks the desktop; tests record
// what would have been started.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher();

    // Returns true when a file (not a folder) exists at exactly this path.
    virtual bool fileExists(const QString &path) const = 0;

    // Starts the command line as a program of its own, without waiting for it; the
    // window style asks how its window opens, where the system supports that.
    // Returns false when the program could not be started.
    virtual bool startProgram(const QString &commandLine, int windowStyle) = 0;

    // Opens the address in the desktop's default browser; false when that failed.
    virtual bool openUrl(const QUrl &url) = 0;
};

// The launcher of the running program: the real file system, processes and desktop.
class DesktopLauncher : public ProgramLauncher
{
public:
    bool fileExists(const QString &path) const override;
    // On Windows the window style is the program's first window's show state.
    bool startProgram(const QString &commandLine, int windowStyle) override;
    bool openUrl(const QUrl &url) override;
};

// The browser's window opens minimised and takes the focus.
inline constexpr int kMinimizedFocus = 2;

// The two places the browser is looked for, each with the command line that starts
// it on the organisation's site. The command lines are kept whole, path unquoted.
inline const QString kBrowserPath1 =
    QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe");
inline const QString kBrowserCommandLine1 =
    QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe www.pervona.org.br");
inline const QString kBrowserPath2 =
    QStringLiteral("C:\\program files\\Internet Explorer\\iexplore.exe");
inline const QString kBrowserCommandLine2 =
    QStringLiteral("C:\\program files\\Internet Explorer\\iexplore.exe www.pervona.org.br");

// Where the default browser is sent when neither browser file can be started.
inline const QUrl kSiteUrl = QUrl(QStringLiteral("http://www.pervona.org.br"));

// What a click on the logo ended up doing.
enum class SiteOpening {
    StartedBrowser1,      // command line 1
    StartedBrowser2,      // command line 2
    OpenedDefaultBrowser, // the site's address handed to the desktop
    NothingOpened,        // every way failed; nothing is said
};

// Opens the organisation's web site: the browser at the first place when its file
// exists, else the one at the second place, else the desktop's default browser.
// A browser file that exists but does not start counts as absent, so the next way
// is tried. Nothing is reported to the user either way.
SiteOpening openOrganisationSite(ProgramLauncher &launcher);

} // namespace trevanto
