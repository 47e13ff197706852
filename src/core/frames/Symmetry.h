#pragma once

#include "frames/Drawing.h"
#include "frames/FrameStore.h"

#include <algorithm>
#include <vector>

// Drawing mirrored about a vertical axis, a horizontal one, or both.
enum class Symmetry { None, LeftRight, TopBottom, Both };

// Where the axes run, as twice their column and row: the board's middle, between
// its two middle columns and rows, is Side - 1; an axis through the middle of
// column c is 2c.
struct MirrorAxes {
    int doubledColumn = FrameStore::Side - 1;
    int doubledRow = FrameStore::Side - 1;
    bool operator==(const MirrorAxes&) const = default;
};

namespace Mirror {

// `p` and its mirror images, each named once: an LED on an axis is its own
// image there. Images may lie off the board when an axis is off its middle.
inline std::vector<Drawing::Point> images(Drawing::Point p, Symmetry symmetry,
                                          MirrorAxes axes = {}) {
    const bool acrossColumns = symmetry == Symmetry::LeftRight || symmetry == Symmetry::Both;
    const bool acrossRows = symmetry == Symmetry::TopBottom || symmetry == Symmetry::Both;
    const int x = axes.doubledColumn - p.x, y = axes.doubledRow - p.y;
    std::vector<Drawing::Point> out{p};
    const auto add = [&out](Drawing::Point image) {
        if (std::find(out.begin(), out.end(), image) == out.end())
            out.push_back(image);
    };
    if (acrossColumns)
        add({x, p.y});
    if (acrossRows)
        add({p.x, y});
    if (acrossColumns && acrossRows)
        add({x, y});
    return out;
}

} // namespace Mirror
