#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Editor;
class QLockFile;

// A copy of the unsaved animation in the user's state folder, so that a crash,
// a kill or a close with unsaved work does not cost the drawing.
//
// Every editor keeps its own copy: an ordinary .led file, or a .qanim in the
// program's own format when the animation has grey levels, hold times, a play
// mode or a name, which a .led cannot keep (an earlier version wrote those
// into a .led too; such a copy is still found), with a note beside it
// (.json: the caption, when the copy was made, whether its editor closed), and
// a lock file held for as long as the editor runs. The first slot is
// recovery.led or recovery.qanim, recovery.json and recovery.lock, the next
// recovery-2.*, and so on; an editor takes the first slot that holds no copy. Editors that do not
// see each other's lock (another runtime folder, one home shared by two
// machines) still see this one, so a copy whose lock is held is left alone:
// never offered, discarded or written by another editor. A copy whose lock is
// free was left by an editor that is gone, and is offered.
//
// The state files are never followed: a symbolic link, a FIFO or any other
// file that is not a plain one is refused (a .led that is not a plain file is
// offered, and then fails to restore), and a note that cannot be read only
// loses what it says.
class RecoveryCopy {
public:
    struct Found {
        int slot = 0;
        QString animationPath;
        QString caption;                    // empty when the note does not say
        QDateTime savedAt;                  // invalid when the note does not say
        bool closedWithUnsavedWork = false; // otherwise its editor ended without closing
    };
    using Refusal = std::function<void(const QString&)>;

    explicit RecoveryCopy(QString folder = defaultFolder());
    RecoveryCopy(RecoveryCopy&&) noexcept;
    ~RecoveryCopy();
    // $XDG_STATE_HOME/quentaro, ~/.local/state/quentaro by default.
    static QString defaultFolder();

    // The copies left by editors that are gone, newest first. Each is held
    // for this editor until it is settled by discard(), setAside(), takeOver()
    // or keep(). A state file that is refused is said to `refused`, one line each.
    std::vector<Found> leftBehind(const Refusal& refused);
    void discard(const Found& found);
    // Moves a copy that could not be restored out of the way, to a name no
    // editor offers. The new path, or nothing with `error` set.
    std::optional<QString> setAside(const Found& found, QString& error);
    // After `found` was restored into the editor: its work becomes this
    // editor's own copy and the old one goes. On failure the reason, and the
    // old copy stays for the next start.
    QString takeOver(const Found& found, const Editor& editor);
    // Lets the copy go untouched, to be offered at a later start.
    void keep(const Found& found);

    // Keeps this editor's own copy in step: writes it when the animation is
    // unsaved and changed since the last copy, removes it once nothing is
    // unsaved. On failure the reason, and the old copy stays.
    QString update(const Editor& editor);
    // At a clean close: the copy goes when nothing is unsaved; otherwise the
    // last state is kept, marked as closed, as recovery-closed-<time>.qanim
    // (or .led), which no start offers.
    QString closeCleanly(const Editor& editor);
    void discard();

private:
    QString write(const Editor& editor, bool cleanEnd);
    QString claimSlot();
    QString slotPath(int slot, const char* suffix) const;
    QString copyIn(int slot) const;
    std::optional<QString> moveOut(int slot, const QString& animation, const char* what,
                                   QString& error);
    void removeFiles(int slot);

    QString folder_;
    std::optional<int> own_;
    std::map<int, std::unique_ptr<QLockFile>> locks_; // this editor's slot and those it offers
    std::optional<std::uint64_t> copiedAtChange_;
    QString copiedCaption_;
};
