#include "playback/SpeedLadder.h"

#include <cmath>

namespace SpeedLadder {
namespace {

int roundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    double result = down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0))
        result = down + 1.0;
    return static_cast<int>(result);
}

} // namespace

int slower(int intervalMs) {
    return roundHalfEven(intervalMs * Factor);
}

int faster(int intervalMs) {
    return roundHalfEven(intervalMs / Factor);
}

std::string rateText(int intervalMs) {
    const int tenths = static_cast<int>(10000.0 / intervalMs);
    std::string text = " " + std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return text + " Hz";
}

} // namespace SpeedLadder
