// The operations of the "Image" group on several images at once, each one step
// of the history.
#include "editor/Editor.h"

namespace {

// The transform a button of the Image group applies to a whole frame.
Editor::FrameFn transformOf(Control control) {
    switch (control) {
    case Control::VerticalFlip:
        return FrameTransforms::mirrorLeftRight;
    case Control::HorizontalFlip:
        return FrameTransforms::mirrorTopBottom;
    case Control::RotateLeft:
        return FrameTransforms::rotateLeft;
    case Control::RotateRight:
        return FrameTransforms::rotateRight;
    case Control::Invert:
        return FrameTransforms::invert;
    case Control::ShiftUp:
        return FrameTransforms::shiftUp;
    case Control::ShiftDown:
        return FrameTransforms::shiftDown;
    case Control::ShiftLeft:
        return FrameTransforms::shiftLeft;
    case Control::ShiftRight:
        return FrameTransforms::shiftRight;
    default:
        return nullptr;
    }
}

} // namespace

std::optional<QString> Editor::runOnImages(Control control, std::vector<int> images) {
    if (control == Control::SetOrClearAll)
        return setOrClearAllOn(std::move(images));
    if (control == Control::Paste) {
        const Frame clip = animation_.clipFrame();
        return changeFrames(std::move(images), [&clip](const Frame&) { return clip; });
    }
    const FrameFn transform = transformOf(control);
    if (transform == nullptr)
        return std::nullopt;
    const bool levels = animation_.hasLevels();
    return changeFrames(std::move(images), [transform, levels](const Frame& frame) {
        return levels ? FrameTransforms::withLevels(transform, frame)
                      : transform(FrameTransforms::normalized(frame));
    });
}

// Set all and Clear all by turns, as the button does, on every image listed.
QString Editor::setOrClearAllOn(std::vector<int> images) {
    const bool lit = !work_.AllSet;
    if (QString refusal = changeFrames(
            std::move(images), [lit](const Frame&) { return FrameTransforms::filled(lit); });
        !refusal.isEmpty())
        return refusal;
    showSetOrClearAll(lit);
    afterHandler();
    return {};
}

// The button's state, picture and tooltip: the next click clears when `lit`.
void Editor::showSetOrClearAll(bool lit) {
    work_.AllSet = lit;
    panel_.setPicture(Control::SetOrClearAll, lit ? Store::Image5 : Store::Image4);
    panel_.setTooltip(Control::SetOrClearAll,
                      lit ? QStringLiteral("Clear all") : QStringLiteral("Set all"));
}
