#pragma once

#include <QFont>

namespace trevanto {

// The windows' ordinary font: an 8-point sans serif, the narrow kind dialogs use.
QFont dialogFont();

// The header's font: Verdana where it is installed, else a sans serif of its build.
QFont headerFont(double pointSize);

} // namespace trevanto
