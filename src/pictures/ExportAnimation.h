#pragma once

#include "frames/AnimationExtras.h"
#include "frames/FrameStore.h"

#include <cstdint>
#include <span>

// What an export takes of an animation, as plain values.
struct ExportAnimation {
    std::span<const std::uint8_t> frames{}; // frameCount * 256 cells, as FrameStore keeps them
    int frameCount = 0;
    int currentImage = 1; // the image a PNG of the current frame shows, counted from 1
    int intervalMs = 0;   // the speed: how long a frame without a hold time stays
    // Whether the cells hold grey levels (FrameStore::levelOf); else only 1 is lit.
    bool hasLevels = false;
    // One per frame: 0 when the speed rules, else how long that frame stays. Empty
    // when the animation has no hold times.
    std::span<const std::uint16_t> holdMs{};
    PlayMode playMode = PlayMode::Loop;

    bool framesValid() const {
        return frameCount >= 1 && frames.size() >= FrameStore::sizeFor(frameCount);
    }
    bool holdsValid() const {
        return holdMs.empty() || holdMs.size() == static_cast<std::size_t>(frameCount);
    }
    // How long frame `frame` (from 1) stays: its hold time, else the speed.
    int delayMs(int frame) const {
        const std::size_t index = static_cast<std::size_t>(frame - 1);
        return index < holdMs.size() && holdMs[index] != 0 ? holdMs[index] : intervalMs;
    }
    std::span<const std::uint8_t> cellsOf(int frame) const {
        return frames.subspan(FrameStore::indexOf(frame, 0), FrameStore::CellsPerFrame);
    }
};
