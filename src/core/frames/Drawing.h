#pragma once

#include "frames/FrameStore.h"

#include <bitset>
#include <cstdint>
#include <vector>

// Shapes drawn into a frame, with points in LEDs from the top-left corner.
// Points off the board are drawn as far as the board reaches.
namespace Drawing {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

Point pointOf(int cell);
// The index in a frame of a point on the board.
inline std::size_t indexOf(Point p) {
    return static_cast<std::size_t>(p.y * FrameStore::Side + p.x);
}
bool onBoard(Point p);

void plot(FrameStore::Frame& frame, Point p, std::uint8_t value);
void line(FrameStore::Frame& frame, Point from, Point to, std::uint8_t value);
// The points of that line from `from` to `to`, each a step (straight or
// diagonal) from the one before; those off the board too.
std::vector<Point> linePoints(Point from, Point to);
// The rectangle with corners `a` and `b`, its outline or filled.
void rectangle(FrameStore::Frame& frame, Point a, Point b, std::uint8_t value, bool filled);
// The ellipse inside the rectangle with corners `a` and `b`.
void ellipse(FrameStore::Frame& frame, Point a, Point b, std::uint8_t value, bool filled);
// The LEDs reached from `at` through their four neighbours that are in the same
// state as `at` (on or off, or at the same grey level when `byLevel`); none
// when `at` lies off the board.
std::bitset<FrameStore::CellsPerFrame> area(const FrameStore::Frame& frame, Point at, bool byLevel);
// The LEDs reached from `at` through its four neighbours that are in the same
// state as `at` (on or off, or at the same grey level when `byLevel`), all set
// to `value`.
void fill(FrameStore::Frame& frame, Point at, std::uint8_t value, bool byLevel = false);
// The frame moved by (dx, dy): what leaves the board is gone, what comes in is dark.
FrameStore::Frame moved(const FrameStore::Frame& frame, int dx, int dy);

} // namespace Drawing
