#include "text/TextFrames.h"

namespace TextFrames {

namespace {

constexpr int Side = FrameStore::Side;

bool horizontal(Direction direction) {
    return direction == Direction::Left || direction == Direction::Right;
}

// The board column of the strip's left edge (the row of its top for Up and Down)
// in frame `index`.
int along(const TextStrip& strip, Direction direction, int index) {
    const int length = horizontal(direction) ? strip.width : strip.height;
    switch (direction) {
    case Direction::Left:
    case Direction::Up:
        return Side - 1 - index;
    case Direction::Right:
    case Direction::Down:
        break;
    }
    return index - (length - 1);
}

} // namespace

Frame stamp(const TextStrip& strip, int x, int y) {
    Frame frame{};
    for (int row = 0; row < Side; ++row)
        for (int column = 0; column < Side; ++column)
            frame[static_cast<std::size_t>(row * Side + column)] =
                FrameStore::cellForLevel(strip.level(column - x, row - y));
    return frame;
}

int scrollFrameCount(const TextStrip& strip, Direction direction) {
    if (strip.width <= 0 || strip.height <= 0)
        return 0;
    return (horizontal(direction) ? strip.width : strip.height) + Side - 1;
}

Frame scrollFrame(const TextStrip& strip, Direction direction, int across, int index) {
    const int position = along(strip, direction, index);
    return horizontal(direction) ? stamp(strip, position, across) : stamp(strip, across, position);
}

std::vector<Frame> scroll(const TextStrip& strip, Direction direction, int across) {
    std::vector<Frame> frames;
    const int count = scrollFrameCount(strip, direction);
    frames.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index)
        frames.push_back(scrollFrame(strip, direction, across, index));
    return frames;
}

} // namespace TextFrames
