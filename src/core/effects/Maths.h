#pragma once

#include <array>
#include <cstdint>

// Integer helpers the effects share, so that a frame is the same on every
// machine: a sine from a table the compiler works out, a square root, and a
// smooth value noise from a hash.
namespace Effects::Maths {

namespace detail {

// sin(2 pi i / 256) * 256, rounded, from a Taylor series worked out at
// compile time, where no library's sine can differ.
constexpr std::array<std::int16_t, 256> sineTable() {
    std::array<std::int16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const int quarter = i % 128 < 64 ? i % 128 : 128 - i % 128;
        const double x = quarter * 3.14159265358979323846 / 128.0;
        double term = x, sum = x;
        for (int n = 1; n < 12; ++n) {
            term *= -x * x / ((2 * n) * (2 * n + 1));
            sum += term;
        }
        const int value = static_cast<int>(sum * 256.0 + 0.5);
        table[std::size_t(i)] = static_cast<std::int16_t>(i < 128 ? value : -value);
    }
    return table;
}

constexpr std::array<std::int16_t, 256> Sine = sineTable();

} // namespace detail

// The sine of `angle` in 1/256 turns (any whole number), -256 .. 256.
constexpr int sine(int angle) {
    return detail::Sine[std::size_t(angle & 255)];
}
constexpr int cosine(int angle) {
    return sine(angle + 64);
}
// The sine as a brightness, 0 .. 255.
constexpr int sineByte(int angle) {
    return (sine(angle) + 256) * 255 / 512;
}

// The whole square root of `value` (0 for a negative one).
constexpr int squareRoot(int value) {
    if (value <= 0)
        return 0;
    std::uint32_t root = 0, bit = 1u << 30;
    std::uint32_t rest = static_cast<std::uint32_t>(value);
    while (bit > rest)
        bit >>= 2;
    while (bit != 0) {
        if (rest >= root + bit) {
            rest -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return static_cast<int>(root);
}

// The direction of (dx, dy) in 1/256 turns, 0 .. 255, from the x axis
// towards the y axis, within about half a step.
constexpr int angleOf(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return 0;
    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    const int q = (ax < ay ? ax : ay) * 256 / (ax < ay ? ay : ax); // tan in 0..256
    int angle = (32 * q + 11 * q * (256 - q) / 256) / 256;         // 0 .. 32
    if (ay > ax)
        angle = 64 - angle;
    if (dx < 0)
        angle = 128 - angle;
    if (dy < 0)
        angle = 256 - angle;
    return angle & 255;
}

// A well-mixed 0..255 for a lattice point.
constexpr int hash(int x, int y, int z, std::uint32_t seed) {
    std::uint32_t h = seed ^ static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                      static_cast<std::uint32_t>(y) * 0xD8163841u ^
                      static_cast<std::uint32_t>(z) * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<int>(h & 255);
}

// Value noise 0..255 at (x, y, z) in 1/256 lattice units, eased between the
// corners of its cell.
int noise(int x, int y, int z, std::uint32_t seed);

} // namespace Effects::Maths
