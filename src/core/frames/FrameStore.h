#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Addressing of the flat frame store: 256 bytes per frame, frames counted from 1,
// cells row-major from the top-left LED. Only a byte of exactly 1 is a lit LED.
namespace FrameStore {

constexpr int CellsPerFrame = 256;
constexpr int Side = 16;
constexpr std::uint8_t Lit = 1;
constexpr std::uint8_t Dark = 0;
constexpr int AddLimit = 50; // "Add image" stops here; a loaded file may hold more

// One frame's picture, a byte a cell.
using Frame = std::array<std::uint8_t, CellsPerFrame>;

inline bool isLit(std::uint8_t value) {
    return value == Lit;
}

// Grey levels, in an animation that has them (Animation::hasLevels): 0 dark to
// MaxLevel full light. Full light is the lit byte and dark the dark one, so that
// an LED at either end reads the same with or without levels; a level between
// is LevelMark plus the level, a byte an on/off animation shows dark. An
// animation that takes levels on first drops its other dark bytes (see
// Animation::takeLevels), so no byte read from a .led file is taken for one.
constexpr int MaxLevel = 15;
constexpr int HalfLevel = (MaxLevel + 1) / 2; // lit at or above it, where only on and off show
constexpr std::uint8_t LevelMark = 0x80;

inline int levelOf(std::uint8_t value) {
    if (value == Lit)
        return MaxLevel;
    const int level = value - LevelMark;
    return level > 0 && level < MaxLevel ? level : 0;
}

// The level of a byte of an animation with levels (`levels`), or of an on/off
// one, where only the lit byte is lit.
inline int levelOf(std::uint8_t value, bool levels) {
    return levels ? levelOf(value) : (isLit(value) ? MaxLevel : 0);
}

inline std::uint8_t cellForLevel(int level) {
    if (level <= 0)
        return Dark;
    if (level >= MaxLevel)
        return Lit;
    return static_cast<std::uint8_t>(LevelMark + level);
}

// Index of cell `cell` of frame `frame` (from 1) in the store.
inline std::size_t indexOf(int frame, int cell) {
    return static_cast<std::size_t>(frame - 1) * CellsPerFrame + static_cast<std::size_t>(cell);
}

inline std::size_t sizeFor(int frameCount) {
    return static_cast<std::size_t>(frameCount) * CellsPerFrame;
}

// Grows or shrinks the store to `frameCount` whole frames, keeping the leading
// bytes and darkening any that are added.
inline void resize(std::vector<std::uint8_t>& frames, int frameCount) {
    frames.resize(sizeFor(frameCount), Dark);
}

} // namespace FrameStore
