#include "commandline_p.h"

namespace trevanto {

// Windows has no manual pages; the program's folder holds its licences, named in
// licencas\LEIA-ME.txt.
const char *const HelpTextEnd = "\nAs licenças do programa e das bibliotecas que o acompanham estão na pasta\n"
                                "licencas, ao lado do programa.\n";

} // namespace trevanto
