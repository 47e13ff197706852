#include "editor/InstanceCheck.h"

#include <QDir>
#include <QStandardPaths>

LockFileInstanceCheck::LockFileInstanceCheck() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    lock_ = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("quentaro.lock")));
    // Never judge a lock by its age: a long-running editor keeps its lock. A lock
    // whose process is gone is still recognised as stale and removed.
    lock_->setStaleLockTime(0);
}

bool LockFileInstanceCheck::anotherInstanceRunning() {
    if (lock_->isLocked())
        return false;
    if (lock_->tryLock(0))
        return false;
    return lock_->error() == QLockFile::LockFailedError;
}
