#include "worklock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace trevanto {

WorkLock lockWork(const WorkFileLocation &location)
{
    WorkLock result;
    if (location.writePath.isEmpty())
        return result;
    QDir().mkpath(QFileInfo(location.writePath).absolutePath());
    auto lock = std::make_shared<QLockFile>(location.writePath + QStringLiteral(".lock"));
    // Not by age: only an owner that no longer runs leaves a lock to take over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        result.lock = std::move(lock);
    } else if (lock->error() == QLockFile::LockFailedError) {
        result.heldElsewhere = QStringLiteral("O Trevanto já está aberto com este percurso, que é gravado em %1. "
                                              "Continue o trabalho na janela que já está aberta.")
                                       .arg(QDir::toNativeSeparators(location.writePath));
    }
    return result;
}

} // namespace trevanto
