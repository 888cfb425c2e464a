#include "commandline_p.h"

namespace trevanto {

// The manual page is installed with the program.
const char *const HelpTextEnd = " Mais detalhes na página de manual: man trevanto\n";

} // namespace trevanto
