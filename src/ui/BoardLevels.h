#pragma once

#include "frames/FrameStore.h"
#include "ui/BoardView.h"

// The level of each LED of a frame as the board shows it: by the bytes' levels
// in an animation that has them, else full light for a lit byte and dark for
// any other.
inline BoardView::Levels boardLevelsOf(const FrameStore::Frame& frame, bool hasLevels) {
    BoardView::Levels levels{};
    for (std::size_t cell = 0; cell < levels.size(); ++cell)
        levels[cell] = static_cast<std::uint8_t>(FrameStore::levelOf(frame[cell], hasLevels));
    return levels;
}
