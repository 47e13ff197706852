#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Effects {

// What an effect draws on: a brightness 0..255 a pixel, row-major from the
// top-left. Reads and writes outside it are dropped.
class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), pixels_(std::size_t(width * height), 0) {}

    int width() const { return width_; }
    int height() const { return height_; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    int at(int x, int y) const { return inside(x, y) ? pixels_[index(x, y)] : 0; }
    void set(int x, int y, int value) {
        if (inside(x, y))
            pixels_[index(x, y)] = clampByte(value);
    }
    // The brighter of what is there and `value`.
    void lighten(int x, int y, int value) {
        if (inside(x, y))
            pixels_[index(x, y)] = std::max(pixels_[index(x, y)], clampByte(value));
    }
    void add(int x, int y, int value) {
        if (inside(x, y))
            pixels_[index(x, y)] = clampByte(pixels_[index(x, y)] + value);
    }
    void fill(int value) { std::fill(pixels_.begin(), pixels_.end(), clampByte(value)); }
    // Every pixel scaled by keep/256.
    void fade(int keep) {
        for (std::uint8_t& pixel : pixels_)
            pixel = static_cast<std::uint8_t>(pixel * keep >> 8);
    }
    const std::vector<std::uint8_t>& pixels() const { return pixels_; }
    std::vector<std::uint8_t>& pixels() { return pixels_; }

    static std::uint8_t clampByte(int value) {
        return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    }

private:
    std::size_t index(int x, int y) const { return std::size_t(y * width_ + x); }

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace Effects
