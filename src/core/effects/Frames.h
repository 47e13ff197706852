#pragma once

#include "effects/Effect.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// What the effects that move or change a given frame share: the frame as
// levels of the effect's own size, and the eight directions.
namespace Effects {

// A frame's levels 0..15 at (x, y); a frame of another size than the
// effect's counts as `missing` everywhere.
class Frame {
public:
    Frame(const std::vector<std::uint8_t>& levels, int width, int height, int missing)
        : width_(width), height_(height),
          levels_(levels.size() == std::size_t(width * height)
                      ? levels
                      : std::vector<std::uint8_t>(std::size_t(width * height),
                                                  std::uint8_t(missing))) {}

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // As a brightness that the linear curve turns back into the same level.
    int brightness(int x, int y) const {
        return inside(x, y) ? levels_[std::size_t(y * width_ + x)] * 17 : 0;
    }

private:
    int width_, height_;
    std::vector<std::uint8_t> levels_;
};

struct Direction {
    int dx, dy;
};

// Up, down, left, right, up-left, up-right, down-left, down-right.
constexpr std::array<Direction, 8> Directions{
    {{0, -1}, {0, 1}, {-1, 0}, {1, 0}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}}};

inline Direction directionOf(const Values& values, Slot slot) {
    return Directions[std::size_t(values[slot] & 7)];
}

constexpr std::string_view DirectionTip =
    "Direction: 0 up, 1 down, 2 left, 3 right, 4 up-left, 5 up-right, 6 down-left, 7 down-right";

} // namespace Effects
