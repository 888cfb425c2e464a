#include "worklock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <optional>

namespace trevanto {

namespace {

// Who wrote a lock, as a lock's lines tell it: the process, the program's name, the
// computer's name, its unique id and the id of its boot, the last two when known.
struct LockOwner
{
    QString computer;
    QByteArray computerId;
    QByteArray bootId;
};

// None when the lock cannot be read so (empty, damaged).
std::optional<LockOwner> ownerOf(const QByteArray &content)
{
    const QList<QByteArray> lines = content.split('\n');
    bool isNumber = false;
    if (lines.size() < 4 || lines[0].toLongLong(&isNumber) <= 0 || !isNumber)
        return std::nullopt;
    return LockOwner{QString::fromUtf8(lines[2]), lines.value(3), lines.value(4)};
}

bool onThisComputer(const LockOwner &owner)
{
    const QByteArray ours = QSysInfo::machineUniqueId();
    if (!owner.computerId.isEmpty() && !ours.isEmpty())
        return owner.computerId == ours;
    return owner.computer.isEmpty() || owner.computer == QSysInfo::machineHostName();
}

struct PlaceLock
{
    std::shared_ptr<QLockFile> lock;
    QString refusal; // another copy runs, or the lock cannot be taken: this copy ends
    QString notice;  // taken over from another computer
};

QString since(const LockEntry &entry)
{
    return entry.modified.isValid() ? entry.modified.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"))
                                    : QStringLiteral("data desconhecida");
}

// Whether the two paths are one name in one folder, whatever names lead to the folder.
bool isSameFolderEntry(const QString &one, const QString &other)
{
    const QFileInfo first(one), second(other);
    return first.fileName() == second.fileName()
            && (first.absolutePath() == second.absolutePath() || isSameFile(first.absolutePath(), second.absolutePath()));
}

PlaceLock lockPlace(const QString &workPath)
{
    PlaceLock result;
    const QString path = workPath + QStringLiteral(".lock");
    const QString shownWork = QDir::toNativeSeparators(workPath), shownLock = QDir::toNativeSeparators(path);
    const QString runsHere = QStringLiteral("O Trevanto já está aberto com este percurso, que é gravado em %1. "
                                            "Continue o trabalho na janela que já está aberta.")
                                     .arg(shownWork);
    QDir().mkpath(QFileInfo(path).absolutePath());

    const LockEntry entry = lookAtLock(path);
    const std::optional<LockOwner> owner = ownerOf(entry.content);
    bool takeOver = entry.kind == LockEntry::Other;
    if (entry.kind == LockEntry::File) {
        if (entry.holder == LockEntry::Held) {
            result.refusal = owner && !onThisComputer(*owner)
                    ? QStringLiteral("O Trevanto está aberto com este percurso, que é gravado em %1, no computador "
                                     "%2 desde %3. Feche-o lá antes de abri-lo aqui.")
                              .arg(shownWork, owner->computer, since(entry))
                    : runsHere;
            return result;
        }
        if (!owner) {
            takeOver = true; // empty or damaged: no copy can be told from it
        } else if (!onThisComputer(*owner)) {
            takeOver = true;
            result.notice = QStringLiteral("O percurso gravado em %1 ficou marcado como aberto no computador %2 desde "
                                           "%3 (na trava %4). Se o Trevanto ainda estiver aberto lá, feche-o lá sem "
                                           "continuar o trabalho: daqui em diante ele é gravado por este computador.")
                                    .arg(shownWork, owner->computer.isEmpty() ? QStringLiteral("sem nome") : owner->computer,
                                         since(entry), shownLock);
        } else {
            // No running copy holds it: its copy has ended, or this computer was started
            // again since. Where the system cannot tell, the lock's process is asked.
            takeOver = entry.holder == LockEntry::Free
                    || (!owner->bootId.isEmpty() && owner->bootId != QSysInfo::bootUniqueId());
        }
    }
    if (takeOver) {
        if (const QString problem = removeLockEntry(path); !problem.isEmpty()) {
            result.refusal = QStringLiteral("O percurso gravado em %1 está travado por %2, que não pôde ser removido (%3). "
                                            "Se o Trevanto não estiver aberto com este percurso, apague %2 e abra o "
                                            "Trevanto de novo.")
                                     .arg(shownWork, shownLock, problem);
            return result;
        }
    }

    auto lock = std::make_shared<QLockFile>(path);
    // Not by age: only an owner that no longer runs leaves a lock to take over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        result.lock = std::move(lock);
    } else if (lock->error() == QLockFile::LockFailedError) {
        result.refusal = runsHere;
    }
    return result;
}

} // namespace

WorkLock lockWork(WorkFileLocation &location)
{
    WorkLock result;
    if (location.writePath.isEmpty())
        return result;
    PlaceLock home = lockPlace(location.writePath);
    if (!home.refusal.isEmpty()) {
        result.heldElsewhere = home.refusal;
        return result;
    }
    result.notice = home.notice;
    if (home.lock)
        result.locks.push_back(home.lock);
    // A work file that is a link of the user's own is edited where the link leads: the
    // lock there is taken too, as any other copy that saves to that file takes it (one
    // whose own file is another link to it, or the copy whose home it is).
    const QString led = followOwnLinks(location.writePath);
    if (!led.isEmpty() && !isSameFolderEntry(led, location.writePath)) {
        PlaceLock there = lockPlace(led);
        if (!there.refusal.isEmpty()) {
            result.locks.clear();
            result.heldElsewhere = there.refusal;
            return result;
        }
        if (there.lock)
            result.locks.push_back(there.lock);
        if (result.notice.isEmpty())
            result.notice = there.notice;
    }
    if (location.fallbackPath.isEmpty())
        return result;
    // The second place is another copy's (an installed copy's home, or another folder's
    // copy's second place), or its lock cannot be taken: this copy keeps to its own.
    PlaceLock fallback = lockPlace(location.fallbackPath);
    if (fallback.lock) {
        result.locks.push_back(fallback.lock);
    } else if (!fallback.refusal.isEmpty()) {
        // Its own file leads into a folder it cannot write: keeping to its own place
        // would leave this copy nowhere to save, and the other copy's work is its own.
        if (led.isEmpty() || !canWriteIn(QFileInfo(led).absolutePath())) {
            result.locks.clear();
            result.heldElsewhere = fallback.refusal;
            return result;
        }
        if (location.readPath == location.fallbackPath)
            location.readPath = location.writePath;
        location.fallbackPath.clear();
    }
    return result;
}

} // namespace trevanto
