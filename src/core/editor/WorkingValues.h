#pragma once

#include <cstdint>

// What the editor's procedures leave behind for the handlers that come after,
// under the names the handlers' scripts give them: the cell last under the
// mouse, the cell loop of Zapmat and Chitmat (256 when done), the start-up
// pulse count (16 when done), what "Set all" / "Clear all" did last, and the
// size of the animation file loaded last. Only the editor writes them.
struct WorkingValues {
    int MouseCell = 0;
    int Cell = 0;
    int Counter = 0;
    bool AllSet = false;
    std::int32_t FileLength = 0;
    double FileFrameCount = 0.0;
};
