#include "printing.h"

namespace trevanto {

QString printServerRefusal()
{
    // Windows' print system takes the job into the queue or fails the print at once, and
    // the printer's state then says so: nothing more to ask.
    return QString();
}

} // namespace trevanto
