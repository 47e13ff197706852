#include "frames/Selection.h"

#include <algorithm>

namespace {

struct Box {
    int left, top, width, height;
};

Box boxOf(const std::vector<Region::Led>& leds) {
    const auto [minX, maxX] = std::minmax_element(
        leds.begin(), leds.end(), [](const auto& a, const auto& b) { return a.at.x < b.at.x; });
    const auto [minY, maxY] = std::minmax_element(
        leds.begin(), leds.end(), [](const auto& a, const auto& b) { return a.at.y < b.at.y; });
    return {minX->at.x, minY->at.y, maxX->at.x - minX->at.x + 1, maxY->at.y - minY->at.y + 1};
}

} // namespace

Selection Selection::rectangle(Drawing::Point a, Drawing::Point b) {
    Cells cells;
    const int left = std::max(std::min(a.x, b.x), 0);
    const int right = std::min(std::max(a.x, b.x), FrameStore::Side - 1);
    const int top = std::max(std::min(a.y, b.y), 0);
    const int bottom = std::min(std::max(a.y, b.y), FrameStore::Side - 1);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            cells.set(Drawing::indexOf({x, y}));
    return Selection(cells);
}

Selection Selection::likeLeds(const FrameStore::Frame& frame, Drawing::Point at, bool byLevel) {
    return Selection(Drawing::area(frame, at, byLevel));
}

Selection Selection::all() {
    return Selection(Cells().set());
}

bool Selection::contains(Drawing::Point p) const {
    return Drawing::onBoard(p) && cells_.test(Drawing::indexOf(p));
}

std::optional<Selection::Bounds> Selection::bounds() const {
    if (empty())
        return std::nullopt;
    Bounds b{FrameStore::Side, FrameStore::Side, -1, -1};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        if (cells_.test(static_cast<std::size_t>(cell))) {
            const Drawing::Point p = Drawing::pointOf(cell);
            b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x),
                 std::max(b.bottom, p.y)};
        }
    return b;
}

Region Region::lift(const FrameStore::Frame& frame, const Selection& selection) {
    std::vector<Led> leds;
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        if (selection.cells().test(static_cast<std::size_t>(cell)))
            leds.push_back({Drawing::pointOf(cell), frame[static_cast<std::size_t>(cell)]});
    return Region(std::move(leds));
}

Region Region::fromLeds(std::vector<Led> leds) {
    std::vector<Led> kept;
    for (auto led = leds.rbegin(); led != leds.rend(); ++led)
        if (std::none_of(kept.begin(), kept.end(), [&](const Led& k) { return k.at == led->at; }))
            kept.push_back(*led);
    std::reverse(kept.begin(), kept.end());
    return Region(std::move(kept));
}

Selection Region::onBoard() const {
    Selection::Cells cells;
    for (const Led& led : leds_)
        if (Drawing::onBoard(led.at))
            cells.set(Drawing::indexOf(led.at));
    return Selection(cells);
}

FrameStore::Frame Region::placedOn(FrameStore::Frame frame) const {
    for (const Led& led : leds_)
        Drawing::plot(frame, led.at, led.value);
    return frame;
}

template <typename Map> Region Region::mapped(Map map) const {
    if (leds_.empty())
        return *this;
    const Box box = boxOf(leds_);
    std::vector<Led> leds;
    leds.reserve(leds_.size());
    for (const Led& led : leds_)
        leds.push_back({map(led.at, box), led.value});
    return Region(std::move(leds));
}

Region Region::moved(int dx, int dy) const {
    return mapped([dx, dy](Drawing::Point p, const Box&) {
        return Drawing::Point{p.x + dx, p.y + dy};
    });
}

Region Region::mirroredLeftRight() const {
    return mapped([](Drawing::Point p, const Box& b) {
        return Drawing::Point{2 * b.left + b.width - 1 - p.x, p.y};
    });
}

Region Region::mirroredTopBottom() const {
    return mapped([](Drawing::Point p, const Box& b) {
        return Drawing::Point{p.x, 2 * b.top + b.height - 1 - p.y};
    });
}

// The turned rectangle keeps the middle of the old one, rounded the same way
// both ways, so that a turn right and a turn left bring every LED back.
Region Region::turnedRight() const {
    return mapped([](Drawing::Point p, const Box& b) {
        const int left = b.left + (b.width - b.height) / 2;
        const int top = b.top + (b.height - b.width) / 2;
        return Drawing::Point{left + b.height - 1 - (p.y - b.top), top + (p.x - b.left)};
    });
}

Region Region::turnedLeft() const {
    return mapped([](Drawing::Point p, const Box& b) {
        const int left = b.left + (b.width - b.height) / 2;
        const int top = b.top + (b.height - b.width) / 2;
        return Drawing::Point{left + (p.y - b.top), top + b.width - 1 - (p.x - b.left)};
    });
}

Region Region::inverted(bool levels) const {
    std::vector<Led> leds = leds_;
    for (Led& led : leds)
        led.value =
            levels ? FrameStore::cellForLevel(FrameStore::MaxLevel - FrameStore::levelOf(led.value))
                   : (FrameStore::isLit(led.value) ? FrameStore::Dark : FrameStore::Lit);
    return Region(std::move(leds));
}

namespace Selections {

FrameStore::Frame cleared(FrameStore::Frame frame, const Selection& selection) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        if (selection.cells().test(static_cast<std::size_t>(cell)))
            frame[static_cast<std::size_t>(cell)] = FrameStore::Dark;
    return frame;
}

} // namespace Selections
