// Changes that reach several frames at once: the frames chosen in the strip
// drawn on together, each such change one step of the history.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

#include <algorithm>
#include <numeric>

QString Editor::drawFrames(std::vector<int> images, std::span<const FrameTransforms::Frame> frames,
                           bool levels) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    if (images.empty())
        return QStringLiteral("no image is chosen to draw on");
    if (images.size() != frames.size())
        return QStringLiteral("%1 frames for %2 images").arg(frames.size()).arg(images.size());
    const int count = animation_.imageCount();
    std::vector<int> sorted = images;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.front() < 1 || sorted.back() > count)
        return QStringLiteral("images are numbered 1 to %1").arg(count);
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return QStringLiteral("image %1 is listed twice")
            .arg(*std::adjacent_find(sorted.begin(), sorted.end()));

    History::Step step{nullptr, view()};
    step.command = FrameCommands::sequence(redrawImages(
        images, [&frames](std::size_t i) { return frames[i]; }, levels));
    if (outputModes_.matrixOff())
        hideAllCells();
    else
        showOnBoard(animation_.currentFrame());
    record(std::move(step));
    afterHandler();
    return {};
}

// The parts of a step that redraws image `images[i]` as `frameFor(i)`: the
// animation taking levels first when `levels` asks for it, then each image's
// bytes kept as it is redrawn.
std::vector<FrameCommandPtr> Editor::redrawImages(std::span<const int> images,
                                                  const std::function<Frame(std::size_t)>& frameFor,
                                                  bool levels) {
    std::vector<FrameCommandPtr> parts;
    if (levels && !animation_.hasLevels()) {
        parts.push_back(FrameCommands::takeLevels());
        parts.back()->redo(animation_);
    }
    const std::size_t storeSize = animation_.frames().size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t offset = FrameStore::indexOf(images[i], 0);
        parts.push_back(FrameCommands::partChange(animation_, offset, FrameStore::CellsPerFrame));
        animation_.restorePart(storeSize, offset, frameFor(i));
    }
    return parts;
}

QString Editor::changeFrames(std::vector<int> images,
                             const std::function<FrameTransforms::Frame(const Frame&)>& change,
                             bool levels) {
    std::vector<FrameTransforms::Frame> frames;
    frames.reserve(images.size());
    for (const int image : images)
        frames.push_back(change(animation_.frame(image)));
    return drawFrames(std::move(images), frames, levels);
}

QString Editor::drawOverFrames(int first, std::span<const Frame> frames, bool levels) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    if (frames.empty())
        return QStringLiteral("there are no frames to draw");
    const int count = animation_.imageCount();
    if (first < 1 || first > count)
        return QStringLiteral("there is no image %1 to draw on").arg(first);
    const int last = first + static_cast<int>(frames.size()) - 1;
    if (last > LedFormat::MaxFrames)
        return QStringLiteral("%1 frames from image %2 on reach image %3; an animation holds at "
                              "most %4 images")
            .arg(frames.size())
            .arg(first)
            .arg(last)
            .arg(LedFormat::MaxFrames);

    History::Step step{nullptr, view()};
    const std::size_t over = static_cast<std::size_t>(std::min(count, last) - first + 1);
    std::vector<int> images(over);
    std::iota(images.begin(), images.end(), first);
    // Drawn over each image as it reads once the animation has taken levels.
    std::vector<FrameCommandPtr> parts = redrawImages(
        images,
        [&](std::size_t i) {
            return FrameTransforms::drawnOver(animation_.frame(images[i]), frames[i]);
        },
        levels);
    if (over < frames.size()) {
        parts.push_back(FrameCommands::insertFrames(
            count + 1, std::vector<FrameStore::Frame>(
                           frames.begin() + static_cast<std::ptrdiff_t>(over), frames.end())));
        parts.back()->redo(animation_);
        animation_.setImageCount(last);
    }
    step.command = FrameCommands::sequence(std::move(parts));
    showFrameButtons();
    showChangedFrames();
    record(std::move(step));
    afterHandler();
    return {};
}
