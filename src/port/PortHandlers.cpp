// The port primitives of the window and the "LPT on" refresh loop.
#include "app/Form1.h"
#include "app/IconStore.h"
#include "port/Clock.h"
#include "port/PortSequences.h"

#include <QCoreApplication>
#include <QToolButton>
#include <chrono>

void Form1::Nulreg() {
    PortSequences::nulreg(port());
}

// Waits at least `seconds`, keeping the window alive meanwhile: any handler may
// run nested in here.
void Form1::Pause(float seconds) {
    Clock& clock = services_.clock;
    const auto wait = std::chrono::ceil<Clock::Duration>(std::chrono::duration<double>(seconds));
    const auto deadline = clock.now() + wait;
    while (!ended_ && clock.now() < deadline)
        QCoreApplication::processEvents();
}

void Form1::Command19_Click() {
    State.LptOn = State.LptOn != 0 ? 0 : 1;
    if (State.LptOn == 1) {
        Command19->setIcon(Image8->icon());
        Command19->setToolTip(QStringLiteral("LPT off"));
    } else {
        Command19->setIcon(Image9->icon());
        Command19->setToolTip(QStringLiteral("LPT on"));
    }
    const auto rowPause = [this](float) { Pause(rowPauseSeconds_); };
    while (State.LptOn != 0) {
        QCoreApplication::processEvents();
        if (ended_)
            return;
        Nulreg();
        // A local row counter: handlers nested in the row pause may use State.Row.
        for (int row = 0; row < PortSequences::RowsPerPass; ++row) {
            State.Row = row;
            // The store and the current frame are read afresh for every row, since
            // a handler nested in the previous row's pause may have replaced them.
            const auto bytes = PortSequences::packRow(State.Frames, State.CurrentImage, 15 - row);
            State.LowByte = bytes.low;
            State.HighByte = bytes.high;
            PortSequences::sendRow(port(), bytes, rowPause);
            if (ended_)
                return;
        }
        if (State.LptOn == 0)
            Nulreg();
    }
}
