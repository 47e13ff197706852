#include "frames/ToolStroke.h"

#include <cstdlib>

namespace {

bool drawsInk(Tool tool) {
    return tool != Tool::Move && tool != Tool::Select && tool != Tool::Wand;
}

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

bool besideStraight(Drawing::Point a, Drawing::Point b) {
    return std::abs(a.x - b.x) + std::abs(a.y - b.y) == 1;
}

// `middle` is the corner of an L from `before` to `after`.
bool isCorner(Drawing::Point before, Drawing::Point middle, Drawing::Point after) {
    return besideStraight(before, middle) && besideStraight(middle, after) &&
           std::abs(before.x - after.x) == 1 && std::abs(before.y - after.y) == 1;
}

std::uint8_t strokeValue(Tool tool, const FrameStore::Frame& frame, int cell, bool erase,
                         std::uint8_t ink, bool byLevel) {
    if (erase)
        return FrameStore::Dark;
    switch (tool) {
    case Tool::Fill:
        // With levels the bucket paints the chosen level; on and off it turns
        // the area over.
        if (byLevel)
            return ink;
        [[fallthrough]];
    case Tool::Toggle:
    case Tool::Pen: {
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
                       Ink ink, StrokeOptions options)
    : ToolStroke(tool, frame, Press{cell, shift, erase, ink}, options, std::nullopt) {}

ToolStroke::ToolStroke(Tool tool, const FrameStore::Frame& frame, const Press& press,
                       StrokeOptions options, std::optional<std::uint8_t> value)
    : tool_(tool),
      takesLevels_(!press.ink.levels && !press.erase && drawsInk(tool) && isGrey(press.ink.level)),
      byLevel_(press.ink.levels || takesLevels_),
      start_(takesLevels_ ? withoutOddBytes(frame) : frame), picture_(start_),
      from_(Drawing::pointOf(press.cell)), last_(from_),
      value_(value.value_or(strokeValue(tool, start_, press.cell, press.erase,
                                        FrameStore::cellForLevel(press.ink.level), byLevel_))),
      options_(tool == Tool::Toggle || tool == Tool::Move
                   ? StrokeOptions{Symmetry::None, options.pixelPerfect}
                   : options),
      press_(press) {
    redraw(press.shift);
}

FrameStore::Frame ToolStroke::replayedOn(const FrameStore::Frame& frame) const {
    ToolStroke replay(tool_, frame, press_, options_, value_);
    for (const Step& step : steps_)
        replay.moveTo(step.to, step.shift);
    return replay.picture_;
}

bool ToolStroke::replays() const {
    return tool_ != Tool::Toggle && tool_ != Tool::Select && tool_ != Tool::Wand;
}

void ToolStroke::moveTo(Drawing::Point to, bool shift) {
    if (tool_ != Tool::Pen)
        steps_.clear();
    if (steps_.empty() || steps_.back().to != to || steps_.back().shift != shift)
        steps_.push_back({to, shift});
    if (tool_ == Tool::Pen) {
        for (const Drawing::Point p : Drawing::linePoints(last_, to))
            addPenPoint(p);
        last_ = to;
        return;
    }
    last_ = to;
    redraw(shift);
}

// Each pen point lights its LED and the LED's mirror images; a dropped corner
// gives back what the frame had wherever no other kept point lies.
void ToolStroke::addPenPoint(Drawing::Point p) {
    if (!penPath_.empty() && penPath_.back() == p)
        return;
    if (options_.pixelPerfect && penPath_.size() >= 2 &&
        isCorner(penPath_[penPath_.size() - 2], penPath_.back(), p)) {
        coverPenPoint(penPath_.back(), -1);
        penPath_.pop_back();
    }
    penPath_.push_back(p);
    coverPenPoint(p, 1);
}

void ToolStroke::coverPenPoint(Drawing::Point p, int by) {
    for (const Drawing::Point image : Mirror::images(p, options_.symmetry, options_.axes)) {
        if (!Drawing::onBoard(image))
            continue;
        const std::size_t i = Drawing::indexOf(image);
        penCover_[i] += by;
        picture_[i] = penCover_[i] > 0 ? value_ : start_[i];
    }
}

// The LEDs `shape` lights, and their mirror images, take the stroke's state.
void ToolStroke::drawMirrored(const FrameStore::Frame& shape) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        if (shape[static_cast<std::size_t>(cell)] != FrameStore::Dark)
            for (const Drawing::Point p :
                 Mirror::images(Drawing::pointOf(cell), options_.symmetry, options_.axes))
                Drawing::plot(picture_, p, value_);
}

void ToolStroke::redraw(bool shift) {
    picture_ = start_;
    FrameStore::Frame shape{};
    switch (tool_) {
    case Tool::Toggle:
        Drawing::plot(picture_, from_, value_);
        break;
    case Tool::Pen:
        penPath_.clear();
        penCover_ = {};
        addPenPoint(from_);
        break;
    case Tool::Line:
        Drawing::line(shape, from_, last_, FrameStore::Lit);
        drawMirrored(shape);
        break;
    case Tool::Rectangle:
        Drawing::rectangle(shape, from_, last_, FrameStore::Lit, shift);
        drawMirrored(shape);
        break;
    case Tool::Ellipse:
        Drawing::ellipse(shape, from_, last_, FrameStore::Lit, shift);
        drawMirrored(shape);
        break;
    case Tool::Fill:
        for (const Drawing::Point p : Mirror::images(from_, options_.symmetry, options_.axes))
            Drawing::fill(picture_, p, value_, byLevel_);
        break;
    case Tool::Move:
        picture_ = Drawing::moved(start_, last_.x - from_.x, last_.y - from_.y);
        break;
    case Tool::Select:
    case Tool::Wand:
        break; // they choose LEDs; the frame stays as it is
    }
}
