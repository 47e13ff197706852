#include "player/Player.h"

#include "cli/CommandLine.h"
#include "editor/AnimationTimer.h"
#include "editor/CommonDialog.h"
#include "editor/Editor.h"
#include "player/SignalPipe.h"

namespace {

// The player never asks for a file.
class NoDialog final : public CommonDialog {
public:
    std::optional<QString> show(const FileDialogRequest&) override { return std::nullopt; }
};

} // namespace

int Player::run(const QString& file, int intervalMs) {
    NoDialog dialog;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    const auto error = services_.error;
    Editor editor({services_.port,
                   dialog,
                   services_.clock,
                   services_.instanceCheck,
                   *timer,
                   {},
                   {},
                   [](const Message&) {},
                   [] {}});
    editor.Form_Load();
    if (editor.hasEnded()) {
        error(QStringLiteral("another quentaro editor or player is running"));
        return 1;
    }
    editor.State.IntervalMs = static_cast<std::int16_t>(intervalMs);

    int status = 0;
    editor.setSkipFailedEntries([&](const QString& entry) {
        error(QStringLiteral("%1: cannot be played, skipped").arg(entry));
    });
    const bool playlist = isPlaylistPath(file);
    const QString why = playlist ? editor.openPlaylist(file) : editor.openAnimation(file);
    if (!why.isEmpty()) {
        error(QStringLiteral("%1: %2").arg(file, why));
        editor.close();
        return 1;
    }
    if (!playlist)
        editor.Command33_Click();
    // A show that stopped has nothing left it can play.
    editor.setAfterHandler([&] {
        if (editor.State.Playing == 0 && !editor.hasEnded()) {
            error(QStringLiteral("%1: no entry of the playlist can be played").arg(file));
            status = 1;
            editor.close();
        }
    });

    SignalPipe signalPipe;
    QObject::connect(&signalPipe, &SignalPipe::received, [&editor](int) { editor.close(); });
    editor.Command19_Click();
    return status;
}
