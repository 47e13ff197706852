// Start and Stop, the animation tick, the speed buttons and blanking the board.
#include "editor/Editor.h"
#include "playback/SpeedLadder.h"

void Editor::Command33_Click() {
    if (playback_.playing()) {
        stopPlaying();
        panel_.setPicture(Control::Command33, Store::Image6);
    } else {
        startPlaying();
        panel_.setPicture(Control::Command33, Store::Image7);
    }
    if (playback_.playing()) {
        Dknop();
        panel_.setTooltip(Control::Command33, QStringLiteral("Stop"));
        showCommand(Control::Command28, false);
    } else {
        Aknop();
        outputModes_.showMatrix();
        panel_.setPicture(Control::Command27, Store::Image10);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix off"));
        panel_.setTooltip(Control::Command33, QStringLiteral("Start"));
        Chitmat();
        showCommand(Control::Command28, true);
    }
    if (outputModes_.matrixOff())
        hideAllCells();
}

void Editor::Timer2_Timer() {
    // Copying the interval only when it changed keeps the timer's rhythm: setting
    // it restarts the timer.
    if (playback_.applyInterval())
        panel_.timerInterval = playback_.intervalMs();
    Nulreg();
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
}

void Editor::Command1_Click() {
    playback_.setIntervalMs(SpeedLadder::SlowestMs);
    panel_.label1 = QStringLiteral("0,3 Hz");
    showCommand(Control::Command1, false);
    showCommand(Control::Command2, false);
    showCommand(Control::Command3, true);
    showCommand(Control::Command4, true);
}

void Editor::Command4_Click() {
    playback_.setIntervalMs(SpeedLadder::FastestMs);
    panel_.label1 = QStringLiteral("25 Hz");
    showCommand(Control::Command3, false);
    showCommand(Control::Command4, false);
    showCommand(Control::Command1, true);
    showCommand(Control::Command2, true);
}

void Editor::Command2_Click() {
    int interval = SpeedLadder::slower(playback_.intervalMs());
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
    playback_.setIntervalMs(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

void Editor::Command3_Click() {
    int interval = SpeedLadder::faster(playback_.intervalMs());
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
    playback_.setIntervalMs(interval);
    panel_.label1 = QString::fromStdString(SpeedLadder::rateText(interval));
}

void Editor::Command27_Click() {
    if (outputModes_.toggleMatrixOff()) {
        panel_.setPicture(Control::Command27, Store::Image11);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix on"));
        hideAllCells();
    } else {
        panel_.setPicture(Control::Command27, Store::Image10);
        panel_.setTooltip(Control::Command27, QStringLiteral("Matrix off"));
        Chitmat();
    }
}
