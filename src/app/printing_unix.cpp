#include "printing.h"

#if TREVANTO_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace trevanto {

QString printServerRefusal()
{
#if TREVANTO_HAVE_CUPS
    // The answer is the last one this thread had from the print server.
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return QString::fromUtf8(cupsLastErrorString());
#endif
    return QString();
}

} // namespace trevanto
