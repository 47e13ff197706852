#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

class Editor;

// A copy of the unsaved animation in the user's state folder, so that a crash
// or a kill does not cost the drawing. The copy is an ordinary .led file,
// recovery.led, beside recovery.json, which holds the caption, when the copy
// was made and whether its run ended cleanly. Both are written atomically.
// Only one editor runs at a time, so a copy whose run did not end cleanly,
// found at start, was left by a run that is gone.
class RecoveryCopy {
public:
    struct Found {
        QString animationPath;
        QString caption;
        QDateTime savedAt;
    };

    explicit RecoveryCopy(QString folder = defaultFolder());
    // $XDG_STATE_HOME/quentaro, ~/.local/state/quentaro by default.
    static QString defaultFolder();

    // A copy left by a run that did not end cleanly.
    std::optional<Found> leftByUncleanEnd() const;

    // Keeps the copy in step with the editor: writes it when the animation is
    // unsaved and changed since the last copy, removes it once nothing is
    // unsaved. On failure the reason, and the old copy stays.
    QString update(const Editor& editor);
    // At a clean close: the copy goes when nothing is unsaved; otherwise the
    // last state is kept, marked as from a clean end, so that it is not lost
    // but not offered either.
    QString closeCleanly(const Editor& editor);
    void discard();

private:
    QString write(const Editor& editor, bool cleanEnd);
    QString animationPath() const;
    QString notePath() const;

    QString folder_;
    std::optional<std::uint64_t> copiedAtChange_;
};
