#pragma once

#include "frames/FrameStore.h"
#include "port/PortIo.h"

#include <cstddef>
#include <cstdint>
#include <span>

// The fixed write sequences of the matrix interface. Pauses are handed in by the
// caller, because the window's pause keeps processing events while it waits.
namespace PortSequences {

constexpr float StartupFirstPause = 0.0005f;
constexpr float StartupPulsePause = 0.00005f;
constexpr float RowPause = 0.00004f;
constexpr int StartupPulses = 15;
constexpr std::uint8_t ControlInitPulse = 247; // raises Init
constexpr std::uint8_t ControlRowClock = 251;  // Strobe, Auto Feed and Select In low

// Leaves the port idle: data 0, control 1.
inline void nulreg(PortIo& port) {
    port.writeControl(2);
    port.writeData(0);
    port.writeControl(1);
    port.writeData(0);
}

// 32 control writes with 31 pauses; `counter` ends at StartupPulses + 1.
template <typename PauseFn> void startup(PortIo& port, PauseFn&& pause, int& counter) {
    port.writeControl(ControlInitPulse);
    pause(StartupFirstPause);
    port.writeControl(0);
    for (counter = 1; counter <= StartupPulses; ++counter) {
        port.writeControl(ControlRowClock);
        pause(StartupPulsePause);
        port.writeControl(0);
        pause(StartupPulsePause);
    }
}

struct RowBytes {
    std::uint8_t low = 0;  // columns 0..7, column k in bit k
    std::uint8_t high = 0; // columns 8..15, column 8 + k in bit k
    bool operator==(const RowBytes&) const = default;
};

// Packs screen row `screenRow` (0 = top) of frame `currentImage`. An LED whose
// byte lies outside the store counts as dark, so a store that shrinks between
// two rows can never be read beyond its end.
inline RowBytes packRow(std::span<const std::uint8_t> frames, int currentImage, int screenRow) {
    RowBytes row;
    if (currentImage < 1)
        return row;
    const std::size_t base = FrameStore::indexOf(currentImage, screenRow * FrameStore::Side);
    const std::uint8_t* p = frames.data();
    const std::size_t size = frames.size();
    for (int bit = 0; bit < 8; ++bit) {
        const std::size_t low = base + static_cast<std::size_t>(bit);
        const std::size_t high = low + 8;
        if (low < size && FrameStore::isLit(p[low]))
            row.low = static_cast<std::uint8_t>(row.low | (1u << bit));
        if (high < size && FrameStore::isLit(p[high]))
            row.high = static_cast<std::uint8_t>(row.high | (1u << bit));
    }
    return row;
}

// The thirteen writes of one row, the row pause falling before the last one.
template <typename PauseFn> void sendRow(PortIo& port, RowBytes row, PauseFn&& pause) {
    nulreg(port);
    port.writeControl(ControlRowClock);
    port.writeControl(3);
    port.writeData(row.low);
    port.writeControl(2);
    port.writeControl(3);
    port.writeData(row.high);
    port.writeControl(1);
    port.writeControl(3);
    pause(RowPause);
    port.writeData(0);
}

constexpr int RowsPerPass = 16;
constexpr int WritesPerRow = 13;
constexpr int WritesPerPass = 4 + RowsPerPass * WritesPerRow; // 212

} // namespace PortSequences
