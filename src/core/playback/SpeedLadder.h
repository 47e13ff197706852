#pragma once

#include <string>
#include <vector>

// The animation step times and the rate shown for them.
namespace SpeedLadder {

constexpr int FastestMs = 40;
constexpr int SlowestMs = 2672;
constexpr int StartMs = 301;
constexpr double Factor = 1.2;

// One step slower / faster: the interval times or divided by 1.2 in double
// precision, rounded half to even, before any clamping (but kept within int).
int slower(int intervalMs);
int faster(int intervalMs);

// " 3.3 Hz" for 301 ms: the rate cut (not rounded) to one decimal, "." as the
// point, no trailing zero, a "0" before the point below 1 Hz.
std::string rateText(int intervalMs);

// Every step time the speed buttons can reach from the start, ascending: the
// chains from the start time and from both ends of the ladder.
const std::vector<int>& steps();

// The step time nearest to `intervalMs`, any int (the faster one of two as near).
int nearestStep(int intervalMs);

} // namespace SpeedLadder
