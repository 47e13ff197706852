// Frames made from pictures come in as one step: after the current image, or in
// place of the animation.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

QString Editor::importFrames(std::span<const FrameTransforms::Frame> frames, bool replace,
                             bool levels, std::vector<std::uint16_t> holdMs) {
    if (ended_ || playback_.playing())
        return QStringLiteral("pictures cannot be imported while the animation plays");
    if (frames.empty())
        return QStringLiteral("there is no picture to import");
    const int count = static_cast<int>(frames.size());
    const int total = replace ? count : animation_.imageCount() + count;
    if (total > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);
    if (!holdMs.empty() && holdMs.size() != frames.size())
        return QStringLiteral("there are %1 hold times for %2 pictures")
            .arg(holdMs.size())
            .arg(frames.size());
    if (!replace && (!levels || animation_.hasLevels()))
        return insertFrames(animation_.currentImage() + 1, frames, std::move(holdMs));
    if (!replace)
        return insertTakingLevels(frames, std::move(holdMs));

    Animation::Store store;
    store.reserve(FrameStore::sizeFor(count));
    for (const FrameTransforms::Frame& frame : frames)
        store.insert(store.end(), frame.begin(), frame.end());
    History::Step step{nullptr, view()};
    // A new animation: unnamed, timed as the pictures were, with levels when
    // they have shades.
    AnimationExtras extras;
    extras.levels = levels;
    extras.holdMs = std::move(holdMs);
    extras.holdMs.resize(static_cast<std::size_t>(count), 0);
    step.command = FrameCommands::contentReplaced(
        animation_.replaceContent({std::move(store), std::move(extras)}));
    animation_.setImageCount(count);
    animation_.setCurrentImage(1);
    setCaption(QStringLiteral("QUENTARO - NEW"));
    showFrameButtons();
    showChangedFrames();
    record(std::move(step));
    afterHandler();
    return {};
}

// Shades put after the current image of an on/off animation: it takes levels
// in the same step.
QString Editor::insertTakingLevels(std::span<const FrameTransforms::Frame> frames,
                                   std::vector<std::uint16_t> holdMs) {
    const int before = animation_.currentImage() + 1;
    std::vector<FrameCommandPtr> parts;
    parts.push_back(FrameCommands::takeLevels());
    parts.push_back(FrameCommands::insertFrames(
        before, std::vector<FrameStore::Frame>(frames.begin(), frames.end()), std::move(holdMs)));
    runCommand(FrameCommands::sequence(std::move(parts)),
               animation_.imageCount() + static_cast<int>(frames.size()), before);
    return {};
}

QString Editor::recordFrames(std::span<const FrameTransforms::Frame> frames,
                             std::vector<std::uint16_t> holdMs, bool levels) {
    if (!ended_ && playback_.playing())
        return keepTakeUntilStop(frames, std::move(holdMs), levels);
    const int before = animation_.currentImage() + 1;
    if (!levels || animation_.hasLevels())
        return insertFrames(before, frames, std::move(holdMs));
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    if (frames.empty())
        return QStringLiteral("there are no frames to put in");
    if (animation_.imageCount() + static_cast<int>(frames.size()) > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);
    return insertTakingLevels(frames, std::move(holdMs));
}
