// The port primitives of the window and the "LPT on" refresh loop.
#include "ui/Form1.h"
#include "ui/IconStore.h"
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
    const auto deadline = clock.now() + Clock::atLeast(seconds);
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
    // The row pause holds the row's data on the lines and lets no handler in. A
    // handler that ran there and wrote to the port (every Nulreg does, the close's
    // included) would latch the row's high byte into the low half of the row still
    // selected, and after the close that row would stay lit. So handlers run only
    // between passes, where the data lines carry 0.
    Clock& clock = services_.clock;
    const auto rowPause = Clock::atLeast(rowPauseSeconds_);
    const auto holdRow = [&clock, rowPause](float) {
        const auto deadline = clock.now() + rowPause;
        while (clock.now() < deadline) {
        }
    };
    while (State.LptOn != 0) {
        QCoreApplication::processEvents();
        if (ended_)
            return;
        Nulreg();
        for (int row = 0; row < PortSequences::RowsPerPass; ++row) {
            State.Row = row;
            const auto bytes = PortSequences::packRow(State.Frames, State.CurrentImage, 15 - row);
            State.LowByte = bytes.low;
            State.HighByte = bytes.high;
            PortSequences::sendRow(port(), bytes, holdRow);
        }
        if (State.LptOn == 0)
            Nulreg();
    }
}
