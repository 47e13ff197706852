// "LPT on": the refresh loop that keeps the matrix lit while the program runs on.
#include "editor/Editor.h"
#include "port/Clock.h"
#include "port/RefreshPass.h"

// "LPT on" / "LPT off": the refresh loop that keeps the matrix lit.
void Editor::Command19_Click() {
    outputModes_.toggleLpt();
    if (outputModes_.lptOn()) {
        panel_.setPicture(Control::LptButton, Store::Image8);
        panel_.setTooltip(Control::LptButton, QStringLiteral("LPT off"));
    } else {
        panel_.setPicture(Control::LptButton, Store::Image9);
        panel_.setTooltip(Control::LptButton, QStringLiteral("LPT on"));
    }
    refreshUntilOff();
}

// The row pause holds the row's data on the lines and lets no handler in. A
// handler that ran there and wrote to the port (every Nulreg does, the close's
// included) would latch the row's high byte into the low half of the row still
// selected, and after the close that row would stay lit. So handlers run only
// between passes, where the data lines carry 0.
//
// An output that multiplexes the board itself is handed the frame instead, and
// the loop sleeps until something happens rather than spinning.
void Editor::refreshUntilOff() {
    Clock& clock = services_.clock;
    const auto rowPause = Clock::atLeast(rowPauseSeconds_);
    const auto holdRow = [&clock, rowPause](float) {
        const auto deadline = clock.now() + rowPause;
        while (clock.now() < deadline) {
        }
    };
    while (outputModes_.lptOn()) {
        services_.yield();
        if (ended_)
            return;
        if (port().refreshesItself()) {
            port().showFrame(
                RefreshPass::packFrame(animation_.frames(), animation_.currentImage()));
            services_.waitForEvents();
            if (ended_)
                return;
        } else {
            RefreshPass::run(port(), animation_.frames(), animation_.currentImage(), holdRow);
        }
        if (!outputModes_.lptOn())
            Nulreg();
    }
}
