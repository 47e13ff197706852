// Undo and redo: every change to the animation made through a click or the
// mouse is recorded by what it may touch, and taken back by swapping that in.
#include "editor/Editor.h"
#include "frames/FrameStore.h"

#include <algorithm>
#include <utility>

namespace {

constexpr Control FrameButtonControls[] = {Control::FirstImage, Control::PreviousImage,
                                           Control::NextImage,  Control::LastImage,
                                           Control::AddImage,   Control::DeleteImage};

bool changesCurrentFrame(Control c) {
    switch (c) {
    case Control::VerticalFlip:
    case Control::ShiftUp:
    case Control::HorizontalFlip:
    case Control::ShiftLeft:
    case Control::Invert:
    case Control::ShiftRight:
    case Control::SetOrClearAll:
    case Control::RotateLeft:
    case Control::ShiftDown:
    case Control::RotateRight:
    case Control::Paste:
        return true;
    default:
        return false;
    }
}

bool sameSide(const History::Side& a, const History::Side& b) {
    return a.storeSize == b.storeSize && a.imageCount == b.imageCount &&
           a.currentImage == b.currentImage && a.bytes == b.bytes;
}

} // namespace

History::Side Editor::counts() const {
    History::Side side;
    side.storeSize = animation_.frames().size();
    side.imageCount = animation_.imageCount();
    side.currentImage = animation_.currentImage();
    for (std::size_t i = 0; i < side.buttons.size(); ++i)
        side.buttons[i] = panel_.isShown(FrameButtonControls[i]);
    side.caption = panel_.caption;
    side.fileLength = work_.FileLength;
    side.fileFrameCount = work_.FileFrameCount;
    return side;
}

History::Side Editor::region(std::size_t offset, std::size_t length) const {
    History::Side side = counts();
    side.offset = offset;
    side.length = length;
    side.bytes = animation_.part(offset, length);
    return side;
}

std::optional<History::Side> Editor::sideBefore(Control c) const {
    if (changesCurrentFrame(c))
        return region(FrameStore::indexOf(animation_.currentImage(), 0), FrameStore::CellsPerFrame);
    if (c == Control::AddImage) // appends a frame
        return region(animation_.frames().size(), FrameStore::CellsPerFrame);
    if (c == Control::DeleteImage) // drops the last frame
        return region(FrameStore::sizeFor(std::max(animation_.imageCount() - 1, 0)),
                      FrameStore::CellsPerFrame);
    if (c == Control::LoadFile || c == Control::NewFile) {
        History::Side side = counts();
        side.wholeStore = true;
        return side;
    }
    return std::nullopt;
}

// New and Load hand over the store they replace, so that it is kept, not copied.
void Editor::keepReplacedStore(Animation::Store replaced) {
    if (replacedStore_)
        replacedStore_->store = std::move(replaced);
}

void Editor::record(std::optional<History::Side> before) {
    if (!before)
        return;
    if (before->wholeStore) {
        if (before->store.empty())
            return; // cancelled or refused: nothing was replaced
    } else if (sameSide(*before, region(before->offset, before->length))) {
        return;
    }
    history_.push(std::move(*before));
    ++changeCount_;
}

// After New or Load the animation is what the disk (or nothing) holds.
void Editor::settleSavedState() {
    if (std::exchange(matchesDisk_, false))
        savedAtChange_ = changeCount_;
}

History::Side Editor::swapIn(History::Side other) {
    History::Side current = counts();
    current.wholeStore = other.wholeStore;
    if (other.wholeStore) {
        current.store = animation_.replaceStore(std::move(other.store));
        work_.FileLength = other.fileLength;
        work_.FileFrameCount = other.fileFrameCount;
        setCaption(other.caption);
    } else {
        current = region(other.offset, other.length);
        animation_.restorePart(other.storeSize, other.offset, other.bytes);
    }
    animation_.setImageCount(other.imageCount);
    animation_.setCurrentImage(other.currentImage);
    for (std::size_t i = 0; i < other.buttons.size(); ++i)
        showCommand(FrameButtonControls[i], other.buttons[i]);
    setLabel2();
    if (outputModes_.matrixOff())
        hideAllCells();
    else
        Chitmat();
    return current;
}

void Editor::undo() {
    if (ended_ || playback_.playing() || !history_.canUndo())
        return;
    history_.undone(swapIn(history_.takeUndo()));
    ++changeCount_;
    afterHandler();
}

void Editor::redo() {
    if (ended_ || playback_.playing() || !history_.canRedo())
        return;
    history_.redone(swapIn(history_.takeRedo()));
    ++changeCount_;
    afterHandler();
}
