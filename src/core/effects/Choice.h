#pragma once

#include "effects/Effect.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Effects {

// An effect as the command line names it, NAME[:KEY=VALUE,...], with every
// parameter it does not name at its default.
struct Choice {
    const EffectInfo* effect = nullptr;
    Values values;
    // The frame it starts from and the one a transition ends on, if given.
    std::vector<std::uint8_t> startLevels, endLevels;
    std::string error; // one line when the text names no effect or a bad value

    bool ok() const { return effect != nullptr && error.empty(); }
    // A 16 x 16 start from these values and `seed`.
    Setup setup(std::uint64_t seed) const {
        Setup start;
        start.values = values;
        start.seed = seed;
        start.startLevels = startLevels;
        start.endLevels = endLevels;
        return start;
    }
};

// Keys are a parameter's own name or its slot's (speed, intensity, c1 ... c3,
// o1 ... o3); switches take on/off, true/false or 1/0; curve takes linear,
// gamma or inverted.
Choice parseChoice(std::string_view text);

} // namespace Effects
