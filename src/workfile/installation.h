#pragma once

#include <QString>

namespace trevanto {

// Whether the folder is one the system installs programs into (/usr and /opt, or the
// Program Files folders), or the folder the installer put the program in. A program
// installed there keeps its users' work in their own data folders, even when it could
// write beside itself (run as root, or by an administrator): the installation belongs
// to the package that made it.
bool isInstalledProgramFolder(const QString &folder);

// The real path of the file or folder (links followed; on Windows also junctions, short
// 8.3 names and letter case) when it lies inside the system's own folders for programs,
// which only an administrator can write: /usr and /opt, or the Program Files folders the
// system names. Empty when it lies elsewhere. A program is started by this path, never
// by a name that someone could point elsewhere in the meantime.
QString pathInSystemProgramFolders(const QString &path);

} // namespace trevanto
