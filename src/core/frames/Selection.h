#pragma once

#include "frames/Drawing.h"
#include "frames/FrameStore.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

// The LEDs of the board chosen for copying, moving and the Image operations,
// and the LEDs lifted out of a frame to be moved or pasted.
class Selection {
public:
    using Cells = std::bitset<FrameStore::CellsPerFrame>;

    Selection() = default;
    explicit Selection(Cells cells) : cells_(cells) {}
    // The rectangle with corners `a` and `b`, as far as the board reaches.
    static Selection rectangle(Drawing::Point a, Drawing::Point b);
    // The LEDs reached from `at` through their four neighbours that are in the
    // same state as `at` (on or off, or at the same level when `byLevel`).
    static Selection likeLeds(const FrameStore::Frame& frame, Drawing::Point at, bool byLevel);
    static Selection all();

    const Cells& cells() const { return cells_; }
    bool empty() const { return cells_.none(); }
    int count() const { return static_cast<int>(cells_.count()); }
    bool contains(Drawing::Point p) const;
    Selection united(const Selection& other) const { return Selection(cells_ | other.cells_); }
    Selection without(const Selection& other) const { return Selection(cells_ & ~other.cells_); }
    bool operator==(const Selection&) const = default;

    // The smallest rectangle around the chosen LEDs; none when nothing is chosen.
    struct Bounds {
        int left, top, right, bottom;
    };
    std::optional<Bounds> bounds() const;

private:
    Cells cells_;
};

// LEDs taken out of a frame with their states. They keep their places, which
// may lie off the board after a move or a turn, so that moving them back
// brings every one back.
class Region {
public:
    struct Led {
        Drawing::Point at;
        std::uint8_t value;
        bool operator==(const Led&) const = default;
    };

    Region() = default;
    // The chosen LEDs of `frame`.
    static Region lift(const FrameStore::Frame& frame, const Selection& selection);
    // LEDs given one by one; of two at the same place the later counts.
    static Region fromLeds(std::vector<Led> leds);

    const std::vector<Led>& leds() const { return leds_; }
    bool empty() const { return leds_.empty(); }
    // The LEDs that lie on the board.
    Selection onBoard() const;
    // `frame` with the region's LEDs on the board written over it.
    FrameStore::Frame placedOn(FrameStore::Frame frame) const;

    // Moved by (dx, dy); mirrored and turned about the middle of the region's
    // own bounding rectangle, so that it stays where it was.
    Region moved(int dx, int dy) const;
    Region mirroredLeftRight() const;
    Region mirroredTopBottom() const;
    Region turnedRight() const;
    Region turnedLeft() const;
    // Each LED's state the other way: dark lit, a level l at 15 - l.
    Region inverted(bool levels) const;
    bool operator==(const Region&) const = default;

private:
    explicit Region(std::vector<Led> leds) : leds_(std::move(leds)) {}
    template <typename Map> Region mapped(Map map) const;

    std::vector<Led> leds_;
};

namespace Selections {
// `frame` with the chosen LEDs dark.
FrameStore::Frame cleared(FrameStore::Frame frame, const Selection& selection);
} // namespace Selections
