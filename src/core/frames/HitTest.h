#pragma once

#include "frames/FrameStore.h"

// The board cell under a mouse position given in twips from the top-left corner
// of the mouse surface (240 twips per cell). Positions at or left of / above the
// edge count as the first cell, positions on the surface's extra last pixel or
// beyond count as the last, so the result is always a cell 0..255.
namespace HitTest {

constexpr float TwipsPerCell = 240.0f;
constexpr float BoardTwips = 3840.0f;

inline int cellAt(float x, float y) {
    if (!(x > 0))
        x = 1;
    if (!(y > 0))
        y = 1;
    if (x >= BoardTwips)
        x = BoardTwips - 1;
    if (y >= BoardTwips)
        y = BoardTwips - 1;
    return static_cast<int>(y / TwipsPerCell) * FrameStore::Side +
           static_cast<int>(x / TwipsPerCell);
}

} // namespace HitTest
