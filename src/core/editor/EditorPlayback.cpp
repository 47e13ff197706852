// Start and Stop, the animation tick, the speed buttons and blanking the board.
//
// An animation with hold times shows each frame for its own time (the speed
// for a frame without one): the timer is given that time at the tick that
// shows the frame, and at Start for the frame shown first. Without hold times
// the speed rules alone, the timer taking it at the tick after it changed.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "playback/SpeedLadder.h"

#include <algorithm>

// "Start" / "Stop": the animation played on the board, or stopped.
void Editor::Command33_Click() {
    if (playback_.playing()) {
        stopPlaying();
        panel_.setPicture(Control::StartStop, Store::Image6);
        putInWaitingTake();
    } else {
        rewindFinishedPlay();
        startPlaying();
        panel_.setPicture(Control::StartStop, Store::Image7);
    }
    if (playback_.playing()) {
        Dknop();
        panel_.setTooltip(Control::StartStop, QStringLiteral("Stop"));
        showCommand(Control::Slideshow, false);
    } else {
        Aknop();
        outputModes_.showMatrix();
        panel_.setPicture(Control::MatrixButton, Store::Image10);
        panel_.setTooltip(Control::MatrixButton, QStringLiteral("Matrix off"));
        panel_.setTooltip(Control::StartStop, QStringLiteral("Start"));
        Chitmat();
        showCommand(Control::Slideshow, true);
    }
    if (outputModes_.matrixOff())
        hideAllCells();
}

// A take recorded while the animation plays cannot go in yet: the frames
// would move under the playback. It waits, later takes joining it.
QString Editor::keepTakeUntilStop(std::span<const FrameTransforms::Frame> frames,
                                  std::vector<std::uint16_t> holdMs, bool levels) {
    if (frames.empty())
        return QStringLiteral("there are no frames to put in");
    const std::size_t waiting = waitingTake_ ? waitingTake_->frames.size() : 0;
    if (std::size_t(animation_.imageCount()) + waiting + frames.size() >
        std::size_t(LedFormat::MaxFrames))
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);
    Take& take = waitingTake_ ? *waitingTake_ : waitingTake_.emplace();
    holdMs.resize(frames.size(), 0);
    take.frames.insert(take.frames.end(), frames.begin(), frames.end());
    take.holdMs.insert(take.holdMs.end(), holdMs.begin(), holdMs.end());
    take.levels = take.levels || levels;
    return {};
}

// The waiting take, after the image where playback stopped, as one step.
void Editor::putInWaitingTake() {
    if (!waitingTake_ || playback_.playing())
        return;
    Take take = std::move(*waitingTake_);
    waitingTake_.reset();
    recordFrames(take.frames, std::move(take.holdMs), take.levels);
}

// Before anything could lose the take: playback stops as Stop stops it.
void Editor::settleWaitingTake() {
    if (waitingTake_ && playback_.playing())
        Command33_Click();
    putInWaitingTake();
}

void Editor::Timer2_Timer() {
    // Copying the interval only when it changed keeps the timer's rhythm: setting
    // it restarts the timer.
    const bool timed = animation_.hasHoldTimes();
    if (!timed && playback_.applyInterval())
        panel_.timerInterval = playback_.intervalMs();
    Nulreg();
    if (animation_.playMode() != PlayMode::Loop) {
        stepInPlayOrder();
        return;
    }
    animation_.setCurrentImage(animation_.currentImage() + 1);
    if (animation_.currentImage() == animation_.imageCount() + 1) {
        animation_.setCurrentImage(1);
        if (slideshow_.on()) {
            slideshow_.advance();
            if (!Pattern() && !skipFailedEntries()) {
                stopAfterFailedPattern();
                return;
            }
        }
    }
    setLabel2();
    if (!outputModes_.matrixOff())
        Chitmat();
    if (timed)
        applyFrameTime();
}

// Ping-pong and once through, which no slideshow plays (its animations come
// from .led files, which loop).
void Editor::stepInPlayOrder() {
    const PlayOrder::Step step = PlayOrder::next(animation_.playMode(), animation_.currentImage(),
                                                 animation_.imageCount(), playback_.backwards());
    if (step.ended) {
        Command33_Click(); // as Stop stops it, on the last frame
        playback_.stopAtEnd();
        return;
    }
    playback_.setBackwards(step.backwards);
    animation_.setCurrentImage(step.image);
    setLabel2();
    if (!outputModes_.matrixOff())
        Chitmat();
    if (animation_.hasHoldTimes())
        applyFrameTime();
}

// The timer given the time the current frame stays.
void Editor::applyFrameTime() {
    const int hold = animation_.holdMs(animation_.currentImage());
    const int ms = hold != 0 ? hold : playback_.intervalMs();
    if (playback_.applyInterval(ms))
        panel_.timerInterval = ms;
}

// Start after an animation played once through has stopped on its last frame
// plays it again from the first.
void Editor::rewindFinishedPlay() {
    const int count = animation_.imageCount();
    if (animation_.playMode() != PlayMode::Once || count < 2 || animation_.currentImage() != count)
        return;
    animation_.setCurrentImage(1);
    setLabel2();
    Chitmat();
}

// The speed an animation file asked for, shown as the speed buttons show theirs.
void Editor::takeSpeed(int ms) {
    playback_.setIntervalMs(ms);
    const int interval = playback_.intervalMs();
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
    showCommand(Control::MinSpeed, interval < SpeedLadder::SlowestMs);
    showCommand(Control::ReduceSpeed, interval < SpeedLadder::SlowestMs);
    showCommand(Control::EnlargeSpeed, interval > SpeedLadder::FastestMs);
    showCommand(Control::MaxSpeed, interval > SpeedLadder::FastestMs);
}

// "Min speed": the slowest step.
void Editor::Command1_Click() {
    playback_.setIntervalMs(SpeedLadder::SlowestMs);
    panel_.label1 = QStringLiteral("0,3 Hz");
    showCommand(Control::MinSpeed, false);
    showCommand(Control::ReduceSpeed, false);
    showCommand(Control::EnlargeSpeed, true);
    showCommand(Control::MaxSpeed, true);
}

// "Max speed": the fastest step.
void Editor::Command4_Click() {
    playback_.setIntervalMs(SpeedLadder::FastestMs);
    panel_.label1 = QStringLiteral("25 Hz");
    showCommand(Control::EnlargeSpeed, false);
    showCommand(Control::MaxSpeed, false);
    showCommand(Control::MinSpeed, true);
    showCommand(Control::ReduceSpeed, true);
}

// "Reduce speed": one step slower.
void Editor::Command2_Click() {
    int interval = SpeedLadder::slower(playback_.intervalMs());
    if (interval >= SpeedLadder::SlowestMs) {
        showCommand(Control::MinSpeed, false);
        showCommand(Control::ReduceSpeed, false);
    }
    if (interval <= SpeedLadder::SlowestMs) {
        showCommand(Control::EnlargeSpeed, true);
        showCommand(Control::MaxSpeed, true);
    }
    if (interval > SpeedLadder::SlowestMs)
        interval = SpeedLadder::SlowestMs;
    playback_.setIntervalMs(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

// "Enlarge speed": one step faster.
void Editor::Command3_Click() {
    int interval = SpeedLadder::faster(playback_.intervalMs());
    if (interval == SpeedLadder::FastestMs) {
        showCommand(Control::EnlargeSpeed, false);
        showCommand(Control::MaxSpeed, false);
    }
    if (interval > SpeedLadder::FastestMs) {
        showCommand(Control::MinSpeed, true);
        showCommand(Control::ReduceSpeed, true);
    }
    if (interval < SpeedLadder::FastestMs)
        interval = SpeedLadder::FastestMs;
    playback_.setIntervalMs(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

// "Matrix off" / "Matrix on": the board blanked, or shown again.
void Editor::Command27_Click() {
    if (outputModes_.toggleMatrixOff()) {
        panel_.setPicture(Control::MatrixButton, Store::Image11);
        panel_.setTooltip(Control::MatrixButton, QStringLiteral("Matrix on"));
        hideAllCells();
    } else {
        panel_.setPicture(Control::MatrixButton, Store::Image10);
        panel_.setTooltip(Control::MatrixButton, QStringLiteral("Matrix off"));
        Chitmat();
    }
}
