#pragma once

#include "workfile/workfile.h"

#include <QString>

#include <memory>

class QLockFile;

namespace trevanto {

struct WorkLock
{
    // Held while the program runs; none when there is no work file, or when the lock
    // could not be made (a full disk): the program then goes on unguarded.
    std::shared_ptr<QLockFile> lock;
    // Another copy of the program edits this work: what to tell the user, who should
    // go on in that copy. This one must then end without touching the file.
    QString heldElsewhere;
};

// Keeps a second copy of the program from becoming a second editor of the same work
// file: the lock "<name>.lock" beside the file that saves go to. A lock whose owner has
// ended without removing it (a crash, a kill -9, a power cut) is taken over; a lock is
// never taken from a copy that still runs, however long it has been open.
WorkLock lockWork(const WorkFileLocation &location);

} // namespace trevanto
