#pragma once

#include "frames/Drawing.h"
#include "frames/FrameStore.h"

#include <vector>

// Drawing mirrored about the board's centre lines, which run between its two
// middle columns and its two middle rows.
enum class Symmetry { None, LeftRight, TopBottom, Both };

namespace Mirror {

// `p` and its mirror images. The board's side is even, so no LED is its own
// image and each image is named once.
inline std::vector<Drawing::Point> images(Drawing::Point p, Symmetry symmetry) {
    constexpr int Last = FrameStore::Side - 1;
    const bool acrossColumns = symmetry == Symmetry::LeftRight || symmetry == Symmetry::Both;
    const bool acrossRows = symmetry == Symmetry::TopBottom || symmetry == Symmetry::Both;
    std::vector<Drawing::Point> out{p};
    if (acrossColumns)
        out.push_back({Last - p.x, p.y});
    if (acrossRows)
        out.push_back({p.x, Last - p.y});
    if (acrossColumns && acrossRows)
        out.push_back({Last - p.x, Last - p.y});
    return out;
}

} // namespace Mirror
