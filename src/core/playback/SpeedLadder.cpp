#include "playback/SpeedLadder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

namespace SpeedLadder {
namespace {

// Saturates at the ends of int: a product or quotient of an int may lie beyond them.
int roundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    double result = down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0))
        result = down + 1.0;
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(result, lowest, highest));
}

} // namespace

int slower(int intervalMs) {
    return roundHalfEven(intervalMs * Factor);
}

int faster(int intervalMs) {
    return roundHalfEven(intervalMs / Factor);
}

// Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about the
// inlined copies of `" " + std::to_string(...)` in an optimised build.
std::string rateText(int intervalMs) {
    const int tenths = static_cast<int>(10000.0 / std::clamp(intervalMs, FastestMs, SlowestMs));
    std::string text(1, ' ');
    text.append(std::to_string(tenths / 10));
    if (tenths % 10 != 0) {
        text.push_back('.');
        text.append(std::to_string(tenths % 10));
    }
    text.append(" Hz");
    return text;
}

const std::vector<int>& steps() {
    static const std::vector<int> all = [] {
        std::set<int> reached;
        std::vector<int> todo{StartMs, FastestMs, SlowestMs};
        while (!todo.empty()) {
            const int step = std::clamp(todo.back(), FastestMs, SlowestMs);
            todo.pop_back();
            if (!reached.insert(step).second)
                continue;
            todo.push_back(slower(step));
            todo.push_back(faster(step));
        }
        return std::vector<int>(reached.begin(), reached.end());
    }();
    return all;
}

int nearestStep(int intervalMs) {
    const int wanted = std::clamp(intervalMs, FastestMs, SlowestMs);
    int best = steps().front();
    for (int step : steps())
        if (std::abs(step - wanted) < std::abs(best - wanted))
            best = step;
    return best;
}

} // namespace SpeedLadder
