#include "frames/ToolStroke.h"

namespace {

std::uint8_t strokeValue(Tool tool, const FrameStore::Frame& frame, int cell, bool erase) {
    if (erase)
        return FrameStore::Dark;
    switch (tool) {
    case Tool::Toggle:
    case Tool::Pen:
    case Tool::Fill:
        return FrameStore::isLit(frame[static_cast<std::size_t>(cell)]) ? FrameStore::Dark
                                                                        : FrameStore::Lit;
    default:
        return FrameStore::Lit;
    }
}

} // namespace

ToolStroke::ToolStroke(Tool tool, const FrameStore::Frame& frame, int cell, bool shift, bool erase)
    : tool_(tool), start_(frame), picture_(frame), from_(Drawing::pointOf(cell)), last_(from_),
      value_(strokeValue(tool, frame, cell, erase)) {
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
        Drawing::fill(picture_, from_, value_);
        break;
    case Tool::Move:
        picture_ = Drawing::moved(start_, last_.x - from_.x, last_.y - from_.y);
        break;
    }
}
