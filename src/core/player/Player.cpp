#include "player/Player.h"

#include "cli/CommandLine.h"
#include "editor/CommonDialog.h"
#include "editor/Editor.h"
#include "editor/InstanceCheck.h"
#include "playback/AnimationTimer.h"
#include "playback/SpeedLadder.h"
#include "player/SignalPipe.h"
#include "player/SkipReport.h"
#include "port/PortIo.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace {

// The player never asks for a file.
class NoDialog final : public CommonDialog {
public:
    std::optional<QString> show(const FileDialogRequest&) override { return std::nullopt; }
};

} // namespace

// An output that sends at most so many frames a second may have just sent the
// dark of the load, or still hold it: the first frame would wait behind it while
// its time ran. The animation's clock stands still until the output can put the
// first frame out at once, so that it is shown its full time like every other.
void Player::waitForTheOutput(const bool& stopped) {
    const int ms = services_.port.msBeforeNextFrame();
    if (ms <= 0)
        return;
    const bool running = services_.timer.isActive();
    services_.timer.stop();
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
    if (running && !stopped)
        services_.timer.start();
}

int Player::run(const QString& file, int intervalMs, Options options) {
    NoDialog dialog;
    const auto error = services_.error;
    Editor editor({services_.port,
                   dialog,
                   services_.clock,
                   services_.instanceCheck,
                   services_.timer,
                   {},
                   {},
                   [](const Message&) {},
                   [] {},
                   services_.output});
    // Connected before the start-up, whose pauses already take events in.
    bool stopped = false;
    QObject whileRunning;
    QObject::connect(&services_.stopSignals, &SignalPipe::received, &whileRunning, [&](int) {
        stopped = true;
        editor.close();
    });
    editor.Form_Load();
    if (stopped)
        return 0;
    if (editor.hasEnded()) {
        error(services_.instanceCheck.refusalLine());
        return 1;
    }
    const int interval = std::clamp(intervalMs, SpeedLadder::FastestMs, SpeedLadder::SlowestMs);
    editor.playback().setIntervalMs(interval);
    // The editor's first tick comes after the timer's start-up second; the
    // player shows its first frame for the interval asked, like every other.
    services_.timer.setInterval(interval);

    int status = 0;
    SkipReport skips(services_.clock, error);
    editor.setSkipFailedEntries([&skips](const QString& entry) { skips.skipped(entry); });
    editor.setNotice(error);
    const bool playlist = isPlaylistPath(file);
    const QString why = playlist ? editor.openPlaylist(file) : editor.openAnimation(file);
    if (!why.isEmpty()) {
        error(QStringLiteral("%1: %2").arg(file, why));
        editor.close();
        return 1;
    }
    // The speed asked for on the command line wins over the file's own.
    if (options.intervalGiven)
        editor.playback().setIntervalMs(interval);
    services_.timer.setInterval(editor.playback().intervalMs());
    if (!playlist)
        editor.Command33_Click();
    waitForTheOutput(stopped);
    if (stopped)
        return 0;
    // A show that stopped has nothing left it can play; an animation played
    // once through has ended.
    editor.setAfterHandler([&] {
        if (editor.playback().playedToEnd()) {
            if (options.exitAtEnd && !editor.hasEnded())
                editor.close();
            return;
        }
        if (!editor.playback().playing() && !editor.hasEnded()) {
            error(QStringLiteral("%1: no entry of the playlist can be played").arg(file));
            status = 1;
            editor.close();
        }
    });
    editor.Command19_Click();
    return status;
}
