// Start and Stop, the animation tick, the speed buttons and blanking the board.
#include "editor/AnimationTimer.h"
#include "editor/Editor.h"
#include "playback/SpeedLadder.h"

void Editor::Command33_Click() {
    State.Playing = State.Playing != 0 ? 0 : 1;
    if (State.Playing == 0) {
        panel_.setPicture(Control::Command33, Store::Image6);
        stopTimer();
    } else {
        panel_.setPicture(Control::Command33, Store::Image7);
        startTimer();
    }
    if (State.Playing == 1) {
        Dknop();
        panel_.setTooltip(Control::Command33, QStringLiteral("Stop"));
        showCommand(Control::Command28, false);
    } else {
        Aknop();
        State.MatrixOff = 0;
        panel_.setPicture(Control::Command27, Store::Image10);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix off"));
        panel_.setTooltip(Control::Command33, QStringLiteral("Start"));
        Chitmat();
        showCommand(Control::Command28, true);
    }
    if (State.MatrixOff == 1)
        hideAllCells();
}

void Editor::Timer2_Timer() {
    // Copying the interval only when it changed keeps the timer's rhythm: setting
    // it restarts the timer.
    if (services_.timer.interval() != State.IntervalMs) {
        services_.timer.setInterval(State.IntervalMs);
        panel_.timerInterval = State.IntervalMs;
    }
    Nulreg();
    State.CurrentImage = State.CurrentImage + 1;
    if (State.CurrentImage == State.ImageCount + 1) {
        State.CurrentImage = 1;
        if (State.SlideshowOn == 1) {
            State.PlaylistPos = State.PlaylistPos + 1;
            if (!Pattern() && !skipFailedEntries()) {
                stopAfterFailedPattern();
                return;
            }
        }
    }
    setLabel2();
    if (State.MatrixOff == 0)
        Chitmat();
}

void Editor::Command1_Click() {
    State.IntervalMs = SpeedLadder::SlowestMs;
    panel_.label1 = QStringLiteral("0,3 Hz");
    showCommand(Control::Command1, false);
    showCommand(Control::Command2, false);
    showCommand(Control::Command3, true);
    showCommand(Control::Command4, true);
}

void Editor::Command4_Click() {
    State.IntervalMs = SpeedLadder::FastestMs;
    panel_.label1 = QStringLiteral("25 Hz");
    showCommand(Control::Command3, false);
    showCommand(Control::Command4, false);
    showCommand(Control::Command1, true);
    showCommand(Control::Command2, true);
}

void Editor::Command2_Click() {
    int interval = SpeedLadder::slower(State.IntervalMs);
    if (interval >= SpeedLadder::SlowestMs) {
        showCommand(Control::Command1, false);
        showCommand(Control::Command2, false);
    }
    if (interval <= SpeedLadder::SlowestMs) {
        showCommand(Control::Command3, true);
        showCommand(Control::Command4, true);
    }
    if (interval > SpeedLadder::SlowestMs)
        interval = SpeedLadder::SlowestMs;
    State.IntervalMs = static_cast<std::int16_t>(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

void Editor::Command3_Click() {
    int interval = SpeedLadder::faster(State.IntervalMs);
    if (interval == SpeedLadder::FastestMs) {
        showCommand(Control::Command3, false);
        showCommand(Control::Command4, false);
    }
    if (interval > SpeedLadder::FastestMs) {
        showCommand(Control::Command1, true);
        showCommand(Control::Command2, true);
    }
    if (interval < SpeedLadder::FastestMs)
        interval = SpeedLadder::FastestMs;
    State.IntervalMs = static_cast<std::int16_t>(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

void Editor::Command27_Click() {
    State.MatrixOff = State.MatrixOff != 0 ? 0 : 1;
    if (State.MatrixOff == 1) {
        panel_.setPicture(Control::Command27, Store::Image11);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix on"));
        hideAllCells();
    } else {
        panel_.setPicture(Control::Command27, Store::Image10);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix off"));
        Chitmat();
    }
}
