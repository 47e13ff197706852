#include "frames/ToolStroke.h"

namespace {

bool isGrey(int level) {
    return level > 0 && level < FrameStore::MaxLevel;
}

// An on/off frame as it reads once its animation has taken levels.
FrameStore::Frame withoutOddBytes(FrameStore::Frame frame) {
    for (std::uint8_t& cell : frame)
        if (cell != FrameStore::Lit)
            cell = FrameStore::Dark;
    return frame;
}

std::uint8_t strokeValue(Tool tool, const FrameStore::Frame& frame, int cell, bool erase,
                         std::uint8_t ink, bool byLevel) {
    if (erase)
        return FrameStore::Dark;
    switch (tool) {
    case Tool::Toggle:
    case Tool::Pen:
    case Tool::Fill: {
        const std::uint8_t first = frame[static_cast<std::size_t>(cell)];
        const bool alike = byLevel ? FrameStore::levelOf(first) == FrameStore::levelOf(ink)
                                   : FrameStore::isLit(first) == FrameStore::isLit(ink);
        return alike ? FrameStore::Dark : ink;
    }
    default:
        return ink;
    }
}

} // namespace

ToolStroke::ToolStroke(Tool tool, const FrameStore::Frame& frame, int cell, bool shift, bool erase,
                       Ink ink)
    : tool_(tool), takesLevels_(!ink.levels && !erase && tool != Tool::Move && isGrey(ink.level)),
      byLevel_(ink.levels || takesLevels_), start_(takesLevels_ ? withoutOddBytes(frame) : frame),
      picture_(start_), from_(Drawing::pointOf(cell)), last_(from_),
      value_(
          strokeValue(tool, start_, cell, erase, FrameStore::cellForLevel(ink.level), byLevel_)) {
    redraw(shift);
}

void ToolStroke::moveTo(Drawing::Point to, bool shift) {
    if (tool_ == Tool::Pen) {
        Drawing::line(picture_, last_, to, value_);
        last_ = to;
        return;
    }
    last_ = to;
    redraw(shift);
}

void ToolStroke::redraw(bool shift) {
    picture_ = start_;
    switch (tool_) {
    case Tool::Toggle:
    case Tool::Pen:
        Drawing::plot(picture_, from_, value_);
        break;
    case Tool::Line:
        Drawing::line(picture_, from_, last_, value_);
        break;
    case Tool::Rectangle:
        Drawing::rectangle(picture_, from_, last_, value_, shift);
        break;
    case Tool::Ellipse:
        Drawing::ellipse(picture_, from_, last_, value_, shift);
        break;
    case Tool::Fill:
        Drawing::fill(picture_, from_, value_, byLevel_);
        break;
    case Tool::Move:
        picture_ = Drawing::moved(start_, last_.x - from_.x, last_.y - from_.y);
        break;
    }
}
