#pragma once

#include "workfile/workfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace trevanto {

struct WorkLock
{
    // Held while the program runs: the lock of each place the program may write. None
    // when there is no work file, or when a lock could not be made (a full disk): the
    // program then goes on unguarded.
    std::vector<std::shared_ptr<QLockFile>> locks;
    // Another copy of the program edits this work, or its lock cannot be taken: what to
    // tell the user. This copy must then end without touching the file.
    QString heldElsewhere;
    // What the start tells the user before going on: a lock that another computer left
    // was taken over.
    QString notice;
};

// Keeps a second copy of the program from becoming a second editor of the same work
// file: the lock "<name>.lock" beside the file that saves go to, and beside the second
// place's file. A lock is never taken from a copy that runs on this computer. Any other
// lock is taken over: one whose copy has ended without removing it (a crash, a kill -9,
// a power cut), one that cannot be read (empty, damaged, or not a file at all: a
// folder, a link, a pipe, which is removed, never opened), and one left on another
// computer (a USB stick, a network folder), which `notice` then tells of. When the
// second place's lock belongs to another copy, this copy keeps to its own place: it
// neither reads nor writes nor retires the other copy's file.
WorkLock lockWork(WorkFileLocation &location);

// What stands at a lock's name, looked at without opening anything that could block.
struct LockEntry
{
    enum Kind { None, File, Other };
    enum Holder { Free, Held, Unknown };
    Kind kind = None;
    Holder holder = Unknown; // whether a running copy holds it open, as far as the system tells
    QByteArray content;      // a file's first bytes
    QDateTime modified;
};
LockEntry lookAtLock(const QString &path);

// Removes what has the lock's name (a file, a link, an empty folder). Returns an empty
// string, or the system's reason why it could not.
QString removeLockEntry(const QString &path);

} // namespace trevanto
