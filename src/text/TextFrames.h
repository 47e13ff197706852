#pragma once

#include "frames/FrameStore.h"
#include "text/BitmapFont.h"

#include <vector>

// Text strips made into frames for the board: stamped once, or scrolled across it.
namespace TextFrames {

using Frame = FrameStore::Frame;

// The way the text moves: Left enters at the right edge and leaves at the left.
enum class Direction { Left, Right, Up, Down };

// The strip with its top-left cell on the board's column x, row y (either may be
// negative); what falls outside the board is cut off. A strip with levels gives
// level bytes (FrameStore::cellForLevel), for an animation that has levels.
Frame stamp(const TextStrip& strip, int x, int y);

// How many frames a scroll takes. It moves one column (one row for Up and Down)
// a frame: the first frame shows the strip's leading column just inside the edge
// it enters at, the last shows its trailing column just inside the edge it
// leaves at, so every frame shows part of the strip and a looping scroll starts
// again at once. That is the strip's width + 15 for Left and Right and its height
// + 15 for Up and Down (a 60-character text in 5 x 7: 300 + 15 = 315 frames);
// none for an empty strip.
int scrollFrameCount(const TextStrip& strip, Direction direction);

// Frame `index` (from 0) of the scroll. `across` places the strip the other way:
// the board row of its top for Left and Right, the column of its left edge for
// Up and Down.
Frame scrollFrame(const TextStrip& strip, Direction direction, int across, int index);

// Every frame of the scroll.
std::vector<Frame> scroll(const TextStrip& strip, Direction direction, int across);

} // namespace TextFrames
