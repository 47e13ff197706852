// Undo and redo: the handlers and the editing entry points describe each change
// to the animation as a command; the entry point records it with the window
// state from before, and undo and redo carry it out and swap that state in.
#include "editor/Editor.h"
#include "frames/FrameStore.h"

#include <utility>

namespace {

constexpr Control FrameButtonControls[] = {Control::FirstImage, Control::PreviousImage,
                                           Control::NextImage,  Control::LastImage,
                                           Control::AddImage,   Control::DeleteImage};

} // namespace

History::View Editor::view() const {
    History::View view;
    view.imageCount = animation_.imageCount();
    view.currentImage = animation_.currentImage();
    for (std::size_t i = 0; i < view.buttons.size(); ++i)
        view.buttons[i] = panel_.isShown(FrameButtonControls[i]);
    view.caption = History::Caption{panel_.caption, work_.FileLength, work_.FileFrameCount};
    return view;
}

void Editor::showView(const History::View& view) {
    animation_.setImageCount(view.imageCount);
    animation_.setCurrentImage(view.currentImage);
    for (std::size_t i = 0; i < view.buttons.size(); ++i)
        showCommand(FrameButtonControls[i], view.buttons[i]);
    if (view.caption) {
        work_.FileLength = view.caption->fileLength;
        work_.FileFrameCount = view.caption->fileFrameCount;
        setCaption(view.caption->text);
    }
    if (view.speedMs)
        takeSpeed(*view.speedMs);
}

// A handler's change, recorded by the entry point that ran the handler.
void Editor::expectChange(FrameCommandPtr command) {
    if (pending_ != nullptr && !pending_->command)
        pending_->command = std::move(command);
}

void Editor::record(History::Step step) {
    if (!step.command || !step.command->changed(animation_))
        return;
    if (!step.command->replacesAnimation())
        step.view.caption.reset();
    history_.push(std::move(step));
    ++changeCount_;
}

// After New or Load the animation is what the disk (or nothing) holds.
void Editor::settleSavedState() {
    if (std::exchange(matchesDisk_, false))
        savedAtChange_ = changeCount_;
}

History::Step Editor::swapIn(History::Step step, bool undoing) {
    History::View current = view();
    if (!step.view.caption)
        current.caption.reset();
    if (step.view.speedMs)
        current.speedMs = playback_.intervalMs();
    if (undoing)
        step.command->undo(animation_);
    else
        step.command->redo(animation_);
    showView(step.view);
    step.view = std::move(current);
    showChangedFrames();
    return step;
}

void Editor::undo() {
    if (ended_ || playback_.playing() || !history_.canUndo())
        return;
    history_.undone(swapIn(history_.takeUndo(), true));
    ++changeCount_;
    afterHandler();
}

void Editor::redo() {
    if (ended_ || playback_.playing() || !history_.canRedo())
        return;
    history_.redone(swapIn(history_.takeRedo(), false));
    ++changeCount_;
    afterHandler();
}
