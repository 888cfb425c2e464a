#pragma once

#include <QString>

namespace trevanto {

// Whether the folder is one the system installs programs into (/usr and /opt, or the
// Program Files folders). A program installed there keeps its users' work in their own
// data folders, even when it could write beside itself (run as root, or by an
// administrator): the installation belongs to the package that made it.
bool isInstalledProgramFolder(const QString &folder);

} // namespace trevanto
