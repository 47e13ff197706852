// Editing beyond the buttons: the drawing tools' strokes, text and the frame
// strip. Each builds a command that carries out its change, and runs it as one
// step of the history.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

#include <algorithm>
#include <cstdlib>

QString Editor::refusalToEdit() const {
    if (ended_)
        return QStringLiteral("the program has ended");
    if (playback_.playing())
        return QStringLiteral("the animation cannot be changed while it plays");
    return {};
}

// The navigation buttons as First, Previous, Next and Last leave them for the
// current image, and Add and Delete image as the count allows.
void Editor::showFrameButtons() {
    const int current = animation_.currentImage();
    const int count = animation_.imageCount();
    showCommand(Control::FirstImage, current > 1);
    showCommand(Control::PreviousImage, current > 1);
    showCommand(Control::NextImage, count > current);
    showCommand(Control::LastImage, count > current);
    showCommand(Control::AddImage, count < FrameStore::AddLimit);
    showCommand(Control::DeleteImage, count > 1);
}

// The label and the board after the frames changed: the frame shown, or the
// board kept dark while it is blanked.
void Editor::showChangedFrames() {
    setLabel2();
    if (outputModes_.matrixOff())
        hideAllCells();
    else
        Chitmat();
}

void Editor::runCommand(FrameCommandPtr command, int count, int current) {
    History::Step step{std::move(command), view()};
    step.command->redo(animation_);
    animation_.setImageCount(count);
    animation_.setCurrentImage(current);
    showFrameButtons();
    showChangedFrames();
    record(std::move(step));
    afterHandler();
}

QString Editor::drawFrame(const FrameTransforms::Frame& frame, bool levels) {
    return storeDrawing(frame, levels);
}

QString Editor::drawStroke(const ToolStroke& stroke) {
    return storeDrawing(stroke.picture(), stroke.takesLevels());
}

QString Editor::storeDrawing(const FrameTransforms::Frame& frame, bool takeLevels) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    History::Step step{nullptr, view()};
    if (takeLevels && !animation_.hasLevels()) {
        std::vector<FrameCommandPtr> parts;
        parts.push_back(FrameCommands::takeLevels());
        parts.back()->redo(animation_);
        parts.push_back(FrameCommands::currentFrameChange(animation_));
        step.command = FrameCommands::sequence(std::move(parts));
    } else {
        step.command = FrameCommands::currentFrameChange(animation_);
    }
    animation_.storeCurrentFrame(frame);
    if (outputModes_.matrixOff())
        hideAllCells();
    else
        showOnBoard(frame);
    record(std::move(step));
    afterHandler();
    return {};
}

QString Editor::insertFrames(int before, std::span<const FrameTransforms::Frame> frames) {
    return insertTimedFrames(before, frames, {});
}

QString Editor::insertTimedFrames(int before, std::span<const FrameTransforms::Frame> frames,
                                  std::vector<std::uint16_t> holdMs) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    const int count = animation_.imageCount();
    if (before < 1 || before > count + 1)
        return QStringLiteral("there is no image %1 to put frames before").arg(before);
    if (frames.empty())
        return QStringLiteral("there are no frames to put in");
    const int total = count + static_cast<int>(frames.size());
    if (total > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);
    runCommand(FrameCommands::insertFrames(
                   before, std::vector<FrameStore::Frame>(frames.begin(), frames.end()),
                   std::move(holdMs)),
               total, before);
    return {};
}

QString Editor::duplicateFrame(int image) {
    if (image < 1 || image > animation_.imageCount())
        return QStringLiteral("there is no image %1 to duplicate").arg(image);
    // The copy keeps the original's hold time.
    const FrameStore::Frame copy = animation_.frame(image);
    return insertTimedFrames(image + 1, std::span(&copy, 1),
                             {static_cast<std::uint16_t>(animation_.holdMs(image))});
}

QString Editor::deleteFrames(std::vector<int> images) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    std::sort(images.begin(), images.end());
    images.erase(std::unique(images.begin(), images.end()), images.end());
    const int count = animation_.imageCount();
    if (images.empty())
        return QStringLiteral("no image is chosen to delete");
    if (images.front() < 1 || images.back() > count)
        return QStringLiteral("there is no image %1 to delete")
            .arg(images.front() < 1 ? images.front() : images.back());
    if (static_cast<int>(images.size()) >= count)
        return QStringLiteral("an animation keeps at least one image");
    // The image shown stays shown when it is kept; otherwise the one after the
    // first deleted image (or the new last image) takes its place.
    const int current = animation_.currentImage();
    const auto below = [&](int image) {
        return static_cast<int>(std::lower_bound(images.begin(), images.end(), image) -
                                images.begin());
    };
    const bool currentKept = !std::binary_search(images.begin(), images.end(), current);
    const int total = count - static_cast<int>(images.size());
    const int shown =
        currentKept ? current - below(current) : std::min(current - below(current), total);
    runCommand(FrameCommands::deleteFrames(std::move(images)), total, std::max(shown, 1));
    return {};
}

QString Editor::moveFrame(int from, int to) {
    const int count = animation_.imageCount();
    if (from < 1 || from > count || to < 1 || to > count)
        return QStringLiteral("images are numbered 1 to %1").arg(count);
    return moveFrames({from}, to > from ? to + 1 : to);
}

QString Editor::moveFrames(std::vector<int> images, int before) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    std::sort(images.begin(), images.end());
    images.erase(std::unique(images.begin(), images.end()), images.end());
    const int count = animation_.imageCount();
    if (images.empty())
        return QStringLiteral("no image is chosen to move");
    if (images.front() < 1 || images.back() > count)
        return QStringLiteral("images are numbered 1 to %1").arg(count);
    if (before < 1 || before > count + 1)
        return QStringLiteral("there is no image %1 to move images before").arg(before);
    const auto movedBefore = std::lower_bound(images.begin(), images.end(), before);
    const int first = before - static_cast<int>(movedBefore - images.begin());
    const int last = first + static_cast<int>(images.size()) - 1;
    if (images.front() == first && images.back() == last)
        return {}; // already side by side there
    runCommand(FrameCommands::moveFrames(std::move(images), first), count, first);
    return {};
}

// From whichever is nearer, the current image or an end, and the matrix given
// only the image arrived at, not each one passed on the way.
void Editor::goToImage(int image) {
    const int count = animation_.imageCount();
    if (!refusalToEdit().isEmpty() || image < 1 || image > count ||
        image == animation_.currentImage())
        return;
    holdMatrix_ = true;
    const int fromHere = std::abs(image - animation_.currentImage());
    if (image - 1 < fromHere && image - 1 <= count - image)
        Command21_Click();
    else if (count - image < fromHere)
        Command24_Click();
    while (animation_.currentImage() < image)
        Command23_Click();
    while (animation_.currentImage() > image)
        Command22_Click();
    holdMatrix_ = false;
    afterHandler();
}
