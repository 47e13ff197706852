#pragma once

#include "port/PortSequences.h"

#include <span>
#include <vector>

// One pass of the refresh loop: the matrix cleared, then the 16 rows of frame
// `currentImage` from the bottom row up, each held by `hold` before its data
// lines drop. The store and the frame number are read afresh for every row, so
// a pass never reads beyond a store that changed under it.
namespace RefreshPass {

template <typename HoldFn>
void run(PortIo& port, const std::vector<std::uint8_t>& frames, const int& currentImage,
         HoldFn&& hold) {
    PortSequences::nulreg(port);
    for (int row = 0; row < PortSequences::RowsPerPass; ++row) {
        const int screenRow = PortSequences::RowsPerPass - 1 - row;
        PortSequences::sendRow(port, PortSequences::packRow(frames, currentImage, screenRow), hold);
    }
}

// The frame as an output that multiplexes the board itself takes it: rows from
// the top, each as its left then its right half.
inline PortIo::PackedFrame packFrame(std::span<const std::uint8_t> frames, int currentImage) {
    PortIo::PackedFrame packed{};
    for (int row = 0; row < PortSequences::RowsPerPass; ++row) {
        const PortSequences::RowBytes bytes = PortSequences::packRow(frames, currentImage, row);
        packed[static_cast<std::size_t>(2 * row)] = bytes.low;
        packed[static_cast<std::size_t>(2 * row + 1)] = bytes.high;
    }
    return packed;
}

} // namespace RefreshPass
