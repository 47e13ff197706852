// The operations of the "Image" group on several images at once, each one step
// of the history.
#include "editor/Editor.h"

QString Editor::transformFrames(std::vector<int> images, FrameFn transform) {
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
    work_.AllSet = lit;
    panel_.setPicture(Control::SetOrClearAll, lit ? Store::Image5 : Store::Image4);
    panel_.setTooltip(Control::SetOrClearAll,
                      lit ? QStringLiteral("Clear all") : QStringLiteral("Set all"));
    afterHandler();
    return {};
}

// Paste on every image listed: the copy buffer in place of each.
QString Editor::pasteOn(std::vector<int> images) {
    const Frame clip = animation_.clipFrame();
    return changeFrames(std::move(images), [&clip](const Frame&) { return clip; });
}
