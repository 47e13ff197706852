#include "frames/AnimationExtras.h"

#include <algorithm>

bool AnimationExtras::hasHoldTimes() const {
    return std::any_of(holdMs.begin(), holdMs.end(), [](std::uint16_t ms) { return ms != 0; });
}

namespace PlayOrder {

Step next(PlayMode mode, int current, int count, bool backwards) {
    const int last = std::max(count, 1);
    const int here = std::clamp(current, 1, last);
    switch (mode) {
    case PlayMode::Once:
        if (here >= last)
            return {last, false, true};
        return {here + 1, false, false};
    case PlayMode::PingPong:
        if (last == 1)
            return {1, false, false};
        if (backwards ? here > 1 : here == last)
            return {here - 1, true, false};
        return {here + 1, false, false};
    case PlayMode::Loop:
        break;
    }
    return {here >= last ? 1 : here + 1, false, false};
}

} // namespace PlayOrder
