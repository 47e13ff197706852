#pragma once

#include "frames/FrameStore.h"

// Whole-picture operations on one frame of 256 LEDs (row-major from the top-left).
// Each returns the new picture; the input is read as lit where a byte is 1.
namespace FrameTransforms {

using Frame = FrameStore::Frame;

Frame rotateRight(const Frame& f); // a quarter turn clockwise
Frame rotateLeft(const Frame& f);  // a quarter turn counter-clockwise
Frame mirrorLeftRight(const Frame& f);
Frame mirrorTopBottom(const Frame& f);
Frame invert(const Frame& f);
Frame filled(bool lit);
// Cyclic shifts by one row or column; what leaves one edge comes back at the other.
Frame shiftUp(const Frame& f);
Frame shiftDown(const Frame& f);
Frame shiftLeft(const Frame& f);
Frame shiftRight(const Frame& f);

// Every byte made 0 or 1, lit exactly where it was 1.
Frame normalized(const Frame& f);

// One of the operations above carried out on a frame of grey levels
// (FrameStore::levelOf): the LEDs move with their levels, and invert turns
// level l into MaxLevel - l. Comes out as level bytes (FrameStore::cellForLevel).
Frame withLevels(Frame (*transform)(const Frame&), const Frame& f);

// `above` laid over `below`: its LEDs that are lit or at a grey level replace
// those of `below`, the others leave `below` as it is.
Frame drawnOver(Frame below, const Frame& above);

} // namespace FrameTransforms
