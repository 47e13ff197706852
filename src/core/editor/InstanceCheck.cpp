#include "editor/InstanceCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <ctime>

namespace {

QString runtimeDirectory() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

// When the system was started; an invalid time when that cannot be told.
QDateTime bootTime() {
    timespec sinceBoot{};
    if (::clock_gettime(CLOCK_BOOTTIME, &sinceBoot) != 0)
        return {};
    return QDateTime::currentDateTimeUtc().addSecs(-sinceBoot.tv_sec);
}

bool isFromBeforeBoot(const QString& path) {
    const QDateTime boot = bootTime();
    const QDateTime modified = QFileInfo(path).lastModified();
    return boot.isValid() && modified.isValid() && modified < boot;
}

} // namespace

QString InstanceCheck::refusalLine() const {
    const QString why = refusal();
    return why.isEmpty() ? QStringLiteral("another quentaro editor or player is running") : why;
}

QString InstanceCheck::refusalMessage() const {
    const QString why = refusal();
    return why.isEmpty() ? QStringLiteral("Program already started!!!")
                         : why.left(1).toUpper() + why.mid(1) + u'.';
}

LockFileInstanceCheck::LockFileInstanceCheck(const QString& directory) {
    const QString dir = directory.isEmpty() ? runtimeDirectory() : directory;
    lock_ = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("quentaro.lock")));
    // Never judge a lock by its age: a long-running editor keeps its lock. A lock
    // whose process is gone is still recognised as stale and removed.
    lock_->setStaleLockTime(0);
}

bool LockFileInstanceCheck::anotherInstanceRunning() {
    if (lock_->isLocked() || lock_->tryLock(0))
        return false;
    const QString path = QDir::toNativeSeparators(lock_->fileName());
    if (lock_->error() != QLockFile::LockFailedError) {
        const QString why = lock_->error() == QLockFile::PermissionError
                                ? QStringLiteral("permission denied")
                                : QStringLiteral("its folder is missing or not usable");
        refusal_ = QStringLiteral("cannot create the lock file %1 (%2), so another quentaro "
                                  "might be running; make that folder writable, or set "
                                  "XDG_RUNTIME_DIR to one that is, and start again")
                       .arg(path, why);
        return true;
    }
    // QLockFile has removed a lock whose program is gone; one that names a
    // program still belongs to it.
    if (lock_->getLockInfo(nullptr, nullptr, nullptr))
        return true;
    if (takeOverOwnerlessLock())
        return false;
    refusal_ = QStringLiteral("the lock file %1 does not say which program holds it; if no "
                              "quentaro is running, remove that file and start again")
                   .arg(path);
    return true;
}

// A lock file that names no program (empty or damaged) may be one being
// written this very moment; only one from before the system's start is
// certainly left over.
bool LockFileInstanceCheck::takeOverOwnerlessLock() {
    if (!QFileInfo::exists(lock_->fileName())) // gone since: its program has just ended
        return lock_->tryLock(0);
    return isFromBeforeBoot(lock_->fileName()) && lock_->removeStaleLockFile() && lock_->tryLock(0);
}
