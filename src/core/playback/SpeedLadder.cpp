#include "playback/SpeedLadder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

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
    int best = steps().front();
    for (int step : steps())
        if (std::abs(step - intervalMs) < std::abs(best - intervalMs))
            best = step;
    return best;
}

} // namespace SpeedLadder
