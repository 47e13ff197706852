#include "editor/RecoveryCopy.h"

#include "editor/Editor.h"
#include "files/AnimationFile.h"
#include "files/SafeSave.h"
#include "frames/FrameStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MaxNoteBytes = 64 * 1024;
constexpr int MaxSlots = 100;

enum class Kind { Missing, Plain, Link, Other };

// What the name itself is, without following a link.
Kind kindOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? Kind::Missing : Kind::Other;
    if (S_ISLNK(info.st_mode))
        return Kind::Link;
    return S_ISREG(info.st_mode) ? Kind::Plain : Kind::Other;
}

struct Note {
    QString caption;
    QDateTime savedAt;
    bool closed = false;
};

// A field of the wrong type says nothing.
Note noteFrom(const QJsonObject& json) {
    return {json.value(QStringLiteral("caption")).toString(),
            QDateTime::fromString(json.value(QStringLiteral("savedAt")).toString(), Qt::ISODate),
            json.value(QStringLiteral("cleanEnd")).toBool(false)};
}

// Opened without following a link and without waiting for a FIFO's writer;
// only a plain file of a sensible size is read. `problem` says why a note
// that is there says nothing.
Note readNote(const QString& path, QString& problem) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            problem = QStringLiteral("a symbolic link, not followed");
        else if (errno != ENOENT)
            problem = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    QFile file;
    struct stat info {};
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        problem = file.errorString();
    } else if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = QStringLiteral("not a plain file, not read");
    } else if (info.st_size > MaxNoteBytes) {
        problem = QStringLiteral("larger than %1 KB, not read").arg(MaxNoteBytes / 1024);
    } else {
        QJsonParseError parsed{};
        const QJsonDocument json = QJsonDocument::fromJson(file.read(MaxNoteBytes), &parsed);
        if (parsed.error == QJsonParseError::NoError && json.isObject())
            return noteFrom(json.object());
        problem =
            QStringLiteral("damaged (%1)")
                .arg(parsed.error == QJsonParseError::NoError ? QStringLiteral("not an object")
                                                              : parsed.errorString());
    }
    return {};
}

// An editor may run for days: a lock is never judged by its age, only by
// whether the program that holds it is still there.
std::unique_ptr<QLockFile> lockOf(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

// The two names of a slot's copy: the program's own format, or a .led when the
// animation is one that a .led keeps whole (an earlier version wrote both
// kinds as .led).
constexpr const char* NativeSuffix = ".qanim";
constexpr const char* LedSuffix = ".led";

// The slots of the copies in `folder`, whatever those files are.
std::set<int> slotsIn(const QString& folder) {
    static const QRegularExpression name(
        QStringLiteral("^recovery(?:-([2-9]|[1-9][0-9]+))?\\.(?:led|qanim)$"));
    std::set<int> numbers;
    const QStringList entries =
        QDir(folder).entryList({QStringLiteral("recovery*.led"), QStringLiteral("recovery*.qanim")},
                               QDir::AllEntries | QDir::System | QDir::Hidden);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = name.match(entry);
        const int slot = match.captured(1).isEmpty() ? 1 : match.captured(1).toInt();
        if (match.hasMatch() && slot <= MaxSlots)
            numbers.insert(slot);
    }
    return numbers;
}

QString refusedForWriting(const QString& path) {
    const Kind kind = kindOf(path);
    if (kind == Kind::Missing || kind == Kind::Plain)
        return {};
    return QStringLiteral("%1: %2, not written through")
        .arg(path, kind == Kind::Link ? QStringLiteral("a symbolic link")
                                      : QStringLiteral("not a plain file"));
}

} // namespace

RecoveryCopy::RecoveryCopy(QString folder) : folder_(std::move(folder)) {}
RecoveryCopy::RecoveryCopy(RecoveryCopy&&) noexcept = default;
RecoveryCopy::~RecoveryCopy() = default;

QString RecoveryCopy::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quentaro");
}

QString RecoveryCopy::slotPath(int slot, const char* suffix) const {
    const QString base =
        slot == 1 ? QStringLiteral("recovery") : QStringLiteral("recovery-%1").arg(slot);
    return folder_ + QLatin1Char('/') + base + QLatin1String(suffix);
}

// Of two copies in a slot (a break between writing the one and removing the
// other), the newer.
QString RecoveryCopy::copyIn(int slot) const {
    const QString native = slotPath(slot, NativeSuffix), led = slotPath(slot, LedSuffix);
    if (kindOf(native) == Kind::Missing)
        return led;
    if (kindOf(led) == Kind::Missing)
        return native;
    return QFileInfo(led).lastModified() > QFileInfo(native).lastModified() ? led : native;
}

std::vector<RecoveryCopy::Found> RecoveryCopy::leftBehind(const Refusal& refused) {
    std::vector<std::pair<QDateTime, Found>> found;
    for (const int slot : slotsIn(folder_)) {
        const QString animation = copyIn(slot);
        if (locks_.count(slot))
            continue;
        if (kindOf(animation) == Kind::Link) {
            refused(QStringLiteral("%1: a symbolic link, not followed").arg(animation));
            continue;
        }
        std::unique_ptr<QLockFile> lock = lockOf(slotPath(slot, ".lock"));
        if (!lock)
            continue; // its editor still runs, here or on another machine
        QString problem;
        const Note note = readNote(slotPath(slot, ".json"), problem);
        if (!problem.isEmpty())
            refused(QStringLiteral("%1: %2").arg(slotPath(slot, ".json"), problem));
        locks_[slot] = std::move(lock);
        found.push_back({QFileInfo(animation).lastModified(),
                         {slot, animation, note.caption, note.savedAt, note.closed}});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Found> newestFirst;
    for (auto& entry : found)
        newestFirst.push_back(std::move(entry.second));
    return newestFirst;
}

void RecoveryCopy::discard(const Found& found) {
    removeFiles(found.slot);
    keep(found);
}

void RecoveryCopy::keep(const Found& found) {
    locks_.erase(found.slot);
}

std::optional<QString> RecoveryCopy::setAside(const Found& found, QString& error) {
    std::optional<QString> aside = moveOut(found.slot, found.animationPath, "failed", error);
    keep(found);
    return aside;
}

// Moves the copy at `animation` in `slot` and its note to
// recovery-<what>-<time>, a name no editor offers or writes over.
std::optional<QString> RecoveryCopy::moveOut(int slot, const QString& animation, const char* what,
                                             QString& error) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = QLatin1Char('.') + QFileInfo(animation).suffix();
    for (int n = 1; n <= MaxSlots; ++n) {
        const QString base = folder_ + QStringLiteral("/recovery-%1-").arg(QLatin1String(what)) +
                             stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        if (kindOf(base + suffix) != Kind::Missing || kindOf(base + ".json") != Kind::Missing)
            continue;
        // rename() itself: QFile::rename falls back to copying, which would
        // open a FIFO and wait.
        if (std::rename(QFile::encodeName(animation).constData(),
                        QFile::encodeName(base + suffix).constData()) != 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
        std::rename(QFile::encodeName(slotPath(slot, ".json")).constData(),
                    QFile::encodeName(base + ".json").constData());
        return base + suffix;
    }
    error = QStringLiteral("no free name for it");
    return std::nullopt;
}

QString RecoveryCopy::takeOver(const Found& found, const Editor& editor) {
    const QString why = write(editor, false);
    if (why.isEmpty())
        discard(found);
    else
        keep(found);
    return why;
}

QString RecoveryCopy::update(const Editor& editor) {
    if (!editor.hasUnsavedChanges()) {
        if (copiedAtChange_)
            discard();
        return {};
    }
    // A lossy save changes only the caption, which the note keeps.
    if (copiedAtChange_ == editor.changeCount() && copiedCaption_ == editor.panel().caption)
        return {};
    return write(editor, false);
}

// A close with unsaved work is the user's choice: the copy is not offered
// again, but kept under a name of its own for Open animation.
QString RecoveryCopy::closeCleanly(const Editor& editor) {
    if (!editor.hasUnsavedChanges()) {
        discard();
        return {};
    }
    if (QString why = write(editor, true); !why.isEmpty())
        return why;
    QString error;
    if (!moveOut(*own_, copyIn(*own_), "closed", error))
        return QStringLiteral("%1: %2").arg(copyIn(*own_), error);
    copiedAtChange_.reset();
    return {};
}

void RecoveryCopy::discard() {
    if (own_)
        removeFiles(*own_);
    copiedAtChange_.reset();
}

// The copy before its note: a break in between leaves a note without a copy,
// which is never offered, rather than a copy that was meant to go.
void RecoveryCopy::removeFiles(int slot) {
    QFile::remove(slotPath(slot, NativeSuffix));
    QFile::remove(slotPath(slot, LedSuffix));
    QFile::remove(slotPath(slot, ".json"));
}

// The first slot without a copy whose lock is free. The files are looked at
// once the lock is held: an editor writes only into a slot it holds.
QString RecoveryCopy::claimSlot() {
    if (own_)
        return {};
    if (!QDir().mkpath(folder_))
        return QStringLiteral("%1: cannot make the folder").arg(folder_);
    for (int slot = 1; slot <= MaxSlots; ++slot) {
        if (locks_.count(slot))
            continue;
        std::unique_ptr<QLockFile> lock = lockOf(slotPath(slot, ".lock"));
        const Kind note = kindOf(slotPath(slot, ".json"));
        if (!lock || kindOf(slotPath(slot, LedSuffix)) != Kind::Missing ||
            kindOf(slotPath(slot, NativeSuffix)) != Kind::Missing ||
            (note != Kind::Missing && note != Kind::Plain))
            continue;
        locks_[slot] = std::move(lock);
        own_ = slot;
        return {};
    }
    return QStringLiteral("%1: no free place for a copy among %2 (each is held or used)")
        .arg(folder_)
        .arg(MaxSlots);
}

// The animation first, then the note that describes it: a crash between the
// two leaves the previous pair or a note-less copy, never a note for a
// half-written animation.
QString RecoveryCopy::write(const Editor& editor, bool cleanEnd) {
    if (const QString why = claimSlot(); !why.isEmpty())
        return why;
    // The program's own format when a .led would lose something.
    const bool native = editor.needsNativeFile();
    const QString animation = slotPath(*own_, native ? NativeSuffix : LedSuffix);
    const QString other = slotPath(*own_, native ? LedSuffix : NativeSuffix);
    const QString notePath = slotPath(*own_, ".json");
    for (const QString& path : {animation, notePath, other})
        if (const QString why = refusedForWriting(path); !why.isEmpty())
            return why;
    SafeSave::Result saved = native ? AnimationFile::saveNative(animation, editor.nativeAnimation())
                                    : AnimationFile::save(animation, editor.animation().images());
    if (saved.ok) {
        const QJsonObject note{
            {QStringLiteral("caption"), editor.panel().caption},
            {QStringLiteral("savedAt"), QDateTime::currentDateTime().toString(Qt::ISODate)},
            {QStringLiteral("cleanEnd"), cleanEnd}};
        saved = SafeSave::writeFile(notePath, QJsonDocument(note).toJson().toStdString());
    }
    if (!saved.ok)
        return QStringLiteral("%1: %2").arg(folder_, saved.error);
    QFile::remove(other); // the copy of the other kind, now older
    copiedAtChange_ = editor.changeCount();
    copiedCaption_ = editor.panel().caption;
    return {};
}
