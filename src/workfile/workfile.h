#pragma once

#include "workfile/durablefile.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace trevanto {

// What the main window hands over to be saved: the legs, the window's outer size in
// twips, the scale text and the start marker's position in pixels.
struct WorkFileState
{
    QStringList distances; // List1, written on the DIR= line
    QStringList bearings;  // List2, written on the MET= line
    float width = 0;       // twips
    float height = 0;      // twips
    QString scale;         // Text2, as typed
    float markerLeft = 0;  // pixels
    float markerTop = 0;   // pixels

    friend bool operator==(const WorkFileState &, const WorkFileState &) = default;
};

// The scale box takes a text of at most this many characters (UTF-16 units).
inline constexpr qsizetype MaxScaleLength = 32767;

// Returns the work file's exact bytes: seven lines, each ended by CR LF, in Latin-1.
// A NUL or a line end inside a text is written as a space, as the entry boxes take
// them: the reader refuses a NUL, and a line end would cut the line.
// When a text holds a character Latin-1 cannot (a locale's own minus sign or decimal
// separator, such as U+2212 or U+066B), the whole file is UTF-8 after a byte-order
// mark instead, so that every text comes back as it went in.
QByteArray formatWorkFile(const WorkFileState &state, const QLocale &locale);

// What a work file asks the main window to restore. Values left empty were not in
// the file or were not usable (a size or position that is not a whole number in the
// 32-bit range is skipped).
struct WorkFileContent
{
    QStringList distances;
    QStringList bearings;
    std::optional<std::int32_t> width;      // twips
    std::optional<std::int32_t> height;     // twips
    std::optional<QString> scale;
    std::optional<std::int32_t> markerLeft; // pixels
    std::optional<std::int32_t> markerTop;  // pixels
    // A DIR or MET line held more items than a course can: only the first
    // MaxLegs of each list were kept.
    bool truncated = false;
    // Part of the file was passed over or cut: a line that is not blank and starts with
    // no key, a key followed by anything but "=", a size or position that is not a whole
    // number, a list whose last piece is not empty, a scale longer than the scale box
    // takes (cut to MaxScaleLength).
    bool partial = false;
};

// Reads the bytes of a work file line by line (CR LF, LF and CR all end a line). The
// texts are Latin-1, or UTF-8 after a byte-order mark at the start. A size or position
// that does not read under the locale is read with the other decimal separator, as a
// file written under another locale has it.
WorkFileContent parseWorkFile(const QByteArray &bytes, const QLocale &locale);

// A file larger than this is not a work file and is never loaded.
inline constexpr qint64 MaxWorkFileSize = 16 * 1024 * 1024;

// Where the work file is read at start and written after every change and at close.
struct WorkFileLocation
{
    QString readPath;
    QString writePath;
    QString fallbackPath = {}; // written when writePath cannot be; empty: no second place
};

// The work file's home is the program's own folder when it can be written, otherwise
// the user's data folder; a save that fails at home goes to the user's data folder.
// The start reads the newer of the two when both are regular files (the home's when
// they are as old), the one that is when only one is, and otherwise the home (where a
// folder or a pipe is refused). An `installed` program's home is the user's data
// folder, and it never writes beside itself: it reads a file there only when the
// user's data folder holds none.
WorkFileLocation chooseWorkFileLocation(const QString &programDir, const QString &userDataDir,
                                        bool installed = false);

enum class LoadStatus {
    Missing,  // no file: the ordinary first start
    Loaded,   // read; `content` holds it
    Refused,  // a regular file, but unreadable, too large or holding a NUL byte: not loaded
    NotAFile, // a folder, a pipe, a device, another user's link: never opened, copied or replaced
};

struct WorkFileLoad
{
    LoadStatus status = LoadStatus::Missing;
    WorkFileContent content;
    // What the start tells the user about the file, when anything: why it was refused,
    // or that only part of it was loaded.
    QString message;
    // The file was not loaded whole: it is kept as "<name>.bak" before a save replaces it.
    bool keepBackup = false;
};

WorkFileLoad loadWorkFile(const QString &path, const QLocale &locale);

// Whether a file can be created in the folder `dir`.
bool canWriteIn(const QString &dir);

// What the start makes of the bytes read from the regular file at `path`, with the
// reader's own checks: a file over the size limit or holding a NUL byte is refused; one
// whose DIR and MET lists hold different numbers of items loads the legs both hold, is
// said so and kept.
WorkFileLoad readWorkFile(const QByteArray &bytes, const QLocale &locale, const QString &path);

struct SaveOutcome
{
    bool ok = true;
    QString error; // the reason, when !ok, in a few words
};

// Writes the bytes whole into a new file that is on the disk before it takes the old
// file's name, so a failed write or a power cut leaves the previous file as it was; the
// new file keeps the old one's permissions. A link at `path` is followed only when it is
// the user's own (see followOwnLinks()); anything there that is not a regular file is
// refused untouched. With `keepBackup`, an existing file is first copied beside the name
// as "<name>.bak", with its permissions, in place of whatever had that name (an earlier
// .bak, a link), and the copy is on the disk before the file is replaced.
SaveOutcome saveWorkFile(const QString &path, const QByteArray &bytes, bool keepBackup);
// The same, with `keepBackup` asked once the new file is whole on the disk, just before
// it replaces the file: a file looked at then is the one replaced, but for a change
// that lands in the instant between.
SaveOutcome saveWorkFile(const QString &path, const QByteArray &bytes, const std::function<bool()> &keepBackup);

// Takes the file at `path` out of the start's choice: the file this run wrote there, when
// it is still that file (`writtenByThisRun`), is removed, any other is kept as
// "<name>.bak" first. Returns whether `path` holds no work file any more.
bool retireWorkFile(const QString &path, const std::optional<FileIdentity> &writtenByThisRun);

struct SaveReport
{
    bool saved = false; // the work is in one of the two places
    QString message;    // for the user when the work is not at home, or a file changed
                        // by someone else was kept aside; empty otherwise
};

// The saves of one run of the program. Each goes to the location's write path, and when
// that fails to its fallback path. No course a file holds is lost by them:
//   - a file that is about to be replaced is kept as "<name>.bak" first, unless it
//     still holds the bytes read whole at start or last written by this run. One that
//     someone else changed meanwhile, or put where there was none, is kept so, and the
//     save says where, once; so it does of a file that was there at start and not
//     read (the other place's was newer). A file that holds the work already is left
//     as it is, and one that holds the work being saved hides nothing and is not told of;
//   - an earlier "<name>.bak" that holds another course is not replaced but renamed
//     "<name>.<yyyyMMdd-HHmmss>.bak" first, after the time it was made;
//   - once a save at the write path has succeeded, a file at the fallback path is
//     retired (see retireWorkFile()), so that the start never prefers it again, unless
//     it is the file just saved under another name; one kept then is told of as above.
class WorkFileSaves
{
public:
    // `readWhole`: the file at the read path was loaded whole (or there was none).
    WorkFileSaves(const WorkFileLocation &location, bool readWhole);

    SaveReport save(const QByteArray &bytes);

private:
    struct Place
    {
        QString path;
        std::optional<FileIdentity> kept; // the file whose replacing loses nothing: read whole, or ours
        bool written = false;             // `kept` is the file this run wrote there
        QByteArray bytes;                 // what `kept` holds: read whole, or written last
        bool vacant = false;              // no file was there at start, or since this run retired it
        bool unopened = false;            // a regular file was there at start that the start did not read
    };
    // What is at the place just before a save or a retiring replaces it.
    struct Look
    {
        bool unchanged = false; // the file read or last written, still so: nothing to keep
        QString told;           // when it is kept: what the user is to be told of it
    };
    static Look lookAt(const Place &place, const QByteArray &bytes);
    // Saves at the place; what the user is to be told of it goes to `told`.
    SaveOutcome saveAt(Place &place, const QByteArray &bytes, QStringList &told);

    Place m_home;
    Place m_fallback; // no path: no second place
};

} // namespace trevanto
