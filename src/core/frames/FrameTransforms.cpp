#include "frames/FrameTransforms.h"

namespace FrameTransforms {
namespace {

constexpr int Side = 16;

std::uint8_t litBit(std::uint8_t value) {
    return value == 1 ? 1 : 0;
}

// Builds a frame whose cell (r, c) takes the LED of source(r, c).
template <typename SourceOf> Frame remap(const Frame& f, SourceOf sourceOf) {
    Frame out{};
    for (int r = 0; r < Side; ++r)
        for (int c = 0; c < Side; ++c)
            out[static_cast<std::size_t>(r * Side + c)] =
                litBit(f[static_cast<std::size_t>(sourceOf(r, c))]);
    return out;
}

int at(int r, int c) {
    return ((r + Side) % Side) * Side + (c + Side) % Side;
}

} // namespace

// Source (r, c) goes to (c, 15 - r), so destination (r, c) comes from (15 - c, r).
Frame rotateRight(const Frame& f) {
    return remap(f, [](int r, int c) { return at(Side - 1 - c, r); });
}

// Source (r, c) goes to (15 - c, r), so destination (r, c) comes from (c, 15 - r).
Frame rotateLeft(const Frame& f) {
    return remap(f, [](int r, int c) { return at(c, Side - 1 - r); });
}

Frame mirrorLeftRight(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r, Side - 1 - c); });
}

Frame mirrorTopBottom(const Frame& f) {
    return remap(f, [](int r, int c) { return at(Side - 1 - r, c); });
}

Frame invert(const Frame& f) {
    Frame out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(1 - litBit(f[i]));
    return out;
}

Frame filled(bool lit) {
    Frame out{};
    out.fill(lit ? 1 : 0);
    return out;
}

Frame shiftUp(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r + 1, c); });
}

Frame shiftDown(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r - 1, c); });
}

Frame shiftLeft(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r, c + 1); });
}

Frame shiftRight(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r, c - 1); });
}

// Every operation moves LEDs or turns each one over, so it can be carried out
// on each bit of the levels on its own: turning over all four bits of a level
// makes it MaxLevel minus the level.
Frame withLevels(Frame (*transform)(const Frame&), const Frame& f) {
    constexpr int LevelBits = 4;
    static_assert(FrameStore::MaxLevel == (1 << LevelBits) - 1);
    std::array<int, FrameStore::CellsPerFrame> levels{};
    for (int bit = 0; bit < LevelBits; ++bit) {
        Frame plane{};
        for (std::size_t i = 0; i < plane.size(); ++i)
            plane[i] = static_cast<std::uint8_t>((FrameStore::levelOf(f[i]) >> bit) & 1);
        const Frame done = transform(plane);
        for (std::size_t i = 0; i < done.size(); ++i)
            levels[i] |= litBit(done[i]) << bit;
    }
    Frame out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = FrameStore::cellForLevel(levels[i]);
    return out;
}

Frame normalized(const Frame& f) {
    return remap(f, [](int r, int c) { return at(r, c); });
}

Frame drawnOver(Frame below, const Frame& above) {
    for (std::size_t i = 0; i < below.size(); ++i)
        if (FrameStore::levelOf(above[i]) > 0)
            below[i] = above[i];
    return below;
}

} // namespace FrameTransforms
