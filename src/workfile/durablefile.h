#pragma once

#include <QString>

class QFileDevice;

namespace trevanto {

// What reaching the disk takes on this system. A file written and then renamed over
// another is whole after a power cut only when its bytes reached the disk before the
// rename, and the rename itself is kept only when the folder's entry reached it too.

// Makes the bytes written to the open file reach the disk. Returns an empty string, or
// the system's reason why they could not.
QString flushToDisk(QFileDevice &file);

// Makes the names in the folder (a file created, renamed or removed) reach the disk, as
// far as the system lets a program ask for it.
void flushFolder(const QString &folder);

} // namespace trevanto
