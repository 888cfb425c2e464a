#include "style.h"

namespace trevanto {

void useProgramStyle(bool)
{
    // The desktop's style (Fusion where the desktop names none) has the room.
}

} // namespace trevanto
