// "LPT on": the refresh that keeps the matrix lit while the program runs on.
#include "editor/Editor.h"
#include "frames/FrameStore.h"
#include "port/Clock.h"
#include "port/MatrixOutput.h"
#include "port/RefreshEngine.h"
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

// The passes themselves belong to the output: on the program's refresh thread
// they go on while this loop waits for the window's events. Every turn hands
// over the frame that the handlers run meanwhile have left; a handler's Nulreg
// goes out between two passes. Once the mode is off, the pass under way
// finishes and a Nulreg follows.
void Editor::refreshUntilOff() {
    while (outputModes_.lptOn()) {
        services_.yield();
        if (ended_)
            return;
        showOnMatrix();
        output().refresh(outputModes_.lptOn(), services_.waitForEvents);
        if (ended_)
            return;
        if (!outputModes_.lptOn())
            output().stop();
    }
}

// An animation with grey levels goes out as levels; an output that shows only
// on and off lights those at half level and above.
void Editor::showOnMatrix() {
    if (ended_ || holdMatrix_ || output_ == nullptr)
        return;
    if (!animation_.hasLevels()) {
        output().show(RefreshPass::packFrame(animation_.frames(), animation_.currentImage()));
        return;
    }
    const FrameStore::Frame frame = animation_.frame(animation_.currentImage());
    MatrixOutput::LevelFrame levels{};
    for (std::size_t led = 0; led < levels.size(); ++led)
        levels[led] = static_cast<std::uint8_t>(FrameStore::levelOf(frame[led]));
    output().showLevels(levels);
}

// Without an output from the program: the port refreshed on this thread, each
// turn of the loop one pass held by the editor's clock, or handed whole frames
// when it multiplexes the board itself.
void Editor::chooseOutput() {
    if (services_.output != nullptr) {
        output_ = services_.output;
        return;
    }
    if (port().refreshesItself()) {
        ownOutput_ = std::make_unique<WholeFrameOutput>(port());
    } else {
        ownTiming_ = std::make_unique<SpinningTiming>(services_.clock);
        RefreshEngine::Options options;
        options.runs = RefreshEngine::Runs::OnCallerThread;
        options.rowPause = Clock::atLeast(rowPauseSeconds_);
        auto engine = std::make_unique<RefreshEngine>(port(), *ownTiming_, options);
        ownEngine_ = engine.get();
        ownOutput_ = std::move(engine);
    }
    output_ = ownOutput_.get();
}

void Editor::setRowPauseSeconds(float seconds) {
    rowPauseSeconds_ = seconds;
    if (ownEngine_ != nullptr)
        ownEngine_->setRowPause(Clock::atLeast(seconds));
}
