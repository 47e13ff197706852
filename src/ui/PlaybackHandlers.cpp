// Start and Stop, the animation tick, the speed buttons and blanking the board.
#include "ui/Form1.h"
#include "ui/IconStore.h"
#include "playback/SpeedLadder.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>

void Form1::hideAllCells() {
    for (State.Cell = 0; State.Cell < 256; ++State.Cell)
        setCellShown(State.Cell, false);
}

void Form1::Command33_Click() {
    State.Playing = State.Playing != 0 ? 0 : 1;
    if (State.Playing == 0) {
        Command33->setIcon(Image6->icon());
        Timer2->stop();
    } else {
        Command33->setIcon(Image7->icon());
        Timer2->start();
    }
    if (State.Playing == 1) {
        Dknop();
        Command33->setToolTip(QStringLiteral("Stop"));
        showCommand(Command28, false);
    } else {
        Aknop();
        State.MatrixOff = 0;
        Command27->setIcon(Image10->icon());
        Command27->setToolTip(QStringLiteral("Matrix off"));
        Command33->setToolTip(QStringLiteral("Start"));
        Chitmat();
        showCommand(Command28, true);
    }
    if (State.MatrixOff == 1)
        hideAllCells();
}

void Form1::Timer2_Timer() {
    // Copying the interval only when it changed keeps the timer's rhythm: setting
    // it restarts the timer.
    if (Timer2->interval() != State.IntervalMs)
        Timer2->setInterval(State.IntervalMs);
    Nulreg();
    State.CurrentImage = State.CurrentImage + 1;
    if (State.CurrentImage == State.ImageCount + 1) {
        State.CurrentImage = 1;
        if (State.SlideshowOn == 1) {
            State.PlaylistPos = State.PlaylistPos + 1;
            if (!Pattern()) {
                stopAfterFailedPattern();
                return;
            }
        }
    }
    setLabel2();
    if (State.MatrixOff == 0)
        Chitmat();
}

void Form1::Command1_Click() {
    State.IntervalMs = SpeedLadder::SlowestMs;
    Label1->setText(QStringLiteral("0,3 Hz"));
    showCommand(Command1, false);
    showCommand(Command2, false);
    showCommand(Command3, true);
    showCommand(Command4, true);
}

void Form1::Command4_Click() {
    State.IntervalMs = SpeedLadder::FastestMs;
    Label1->setText(QStringLiteral("25 Hz"));
    showCommand(Command3, false);
    showCommand(Command4, false);
    showCommand(Command1, true);
    showCommand(Command2, true);
}

void Form1::Command2_Click() {
    int interval = SpeedLadder::slower(State.IntervalMs);
    if (interval >= SpeedLadder::SlowestMs) {
        showCommand(Command1, false);
        showCommand(Command2, false);
    }
    if (interval <= SpeedLadder::SlowestMs) {
        showCommand(Command3, true);
        showCommand(Command4, true);
    }
    if (interval > SpeedLadder::SlowestMs)
        interval = SpeedLadder::SlowestMs;
    State.IntervalMs = static_cast<std::int16_t>(interval);
    Label1->setText(QString::fromStdString(SpeedLadder::rateText(interval)));
}

void Form1::Command3_Click() {
    int interval = SpeedLadder::faster(State.IntervalMs);
    if (interval == SpeedLadder::FastestMs) {
        showCommand(Command3, false);
        showCommand(Command4, false);
    }
    if (interval > SpeedLadder::FastestMs) {
        showCommand(Command1, true);
        showCommand(Command2, true);
    }
    if (interval < SpeedLadder::FastestMs)
        interval = SpeedLadder::FastestMs;
    State.IntervalMs = static_cast<std::int16_t>(interval);
    Label1->setText(QString::fromStdString(SpeedLadder::rateText(interval)));
}

void Form1::Command27_Click() {
    State.MatrixOff = State.MatrixOff != 0 ? 0 : 1;
    if (State.MatrixOff == 1) {
        Command27->setIcon(Image11->icon());
        Command27->setToolTip(QStringLiteral("Matrix on"));
        hideAllCells();
    } else {
        Command27->setIcon(Image10->icon());
        Command27->setToolTip(QStringLiteral("Matrix off"));
        Chitmat();
    }
}
