#include "weblink.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace trevanto {

ProgramLauncher::~ProgramLauncher() = default;

bool DesktopLauncher::fileExists(const QString &path) const
{
    return QFileInfo(path).isFile();
}

bool DesktopLauncher::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

SiteOpening openOrganisationSite(ProgramLauncher &launcher)
{
    // A browser that is there but refuses to start should not leave the click
    // without effect while another way may still work.
    if (launcher.fileExists(kBrowserPath1) && launcher.startProgram(kBrowserCommandLine1, kMinimizedFocus))
        return SiteOpening::StartedBrowser1;
    if (launcher.fileExists(kBrowserPath2) && launcher.startProgram(kBrowserCommandLine2, kMinimizedFocus))
        return SiteOpening::StartedBrowser2;
    if (launcher.openUrl(kSiteUrl))
        return SiteOpening::OpenedDefaultBrowser;
    return SiteOpening::NothingOpened;
}

} // namespace trevanto
