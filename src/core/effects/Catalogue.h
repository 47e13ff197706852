#pragma once

#include "effects/Effect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Effects {

// Every built-in effect, in the order they are listed.
const std::vector<const EffectInfo*>& catalogue();
const EffectInfo* findEffect(std::string_view name);

// The key of a slot as the command line takes it besides the effect's own
// name for it: speed, intensity, c1..c3, o1..o3, curve.
std::string_view slotKey(Slot slot);

// The 16 levels (0..15) of a canvas through a curve.
std::vector<std::uint8_t> levelsOf(const Canvas& canvas, Curve curve);

// An effect started from a setup, giving its frames one after another.
class Run {
public:
    Run(const EffectInfo& info, const Setup& setup);

    // The next frame's levels, `deltaMs` after the one before (the first
    // frame is drawn at once, whatever the delta).
    const std::vector<std::uint8_t>& next(int deltaMs);

private:
    std::unique_ptr<Effect> effect_;
    Canvas canvas_;
    Curve curve_;
    bool started_ = false;
    std::vector<std::uint8_t> levels_;
};

// `count` frames `frameMs` apart, their levels one after another.
std::vector<std::uint8_t> renderFrames(const EffectInfo& info, const Setup& setup, int count,
                                       int frameMs);

} // namespace Effects
