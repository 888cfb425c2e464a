#include "style.h"

namespace trevanto {

void useProgramStyle(QApplication &)
{
    // The desktop's style (Fusion where the desktop names none) has the room.
}

} // namespace trevanto
