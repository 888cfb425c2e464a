#pragma once

#include <QString>

namespace trevanto {

// The organisation behind the program, as the main window's header and the logo's
// link show it.

// Host name of the organisation's web site: no scheme, no path.
inline const QString kSiteHost = QStringLiteral("www.pervona.org.br");

// The site's address written out in full, as the header's address line shows it.
inline const QString kSiteAddressText = QStringLiteral("http://www.pervona.org.br");

// The support contact, and the header's contact line that names it.
inline const QString kSupportContact = QStringLiteral("suporte@pervona.org.br");
inline const QString kHelpContactText = QStringLiteral("help: (msn) suporte@pervona.org.br");

} // namespace trevanto
