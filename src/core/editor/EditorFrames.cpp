// Moving a frame between the board and the store, and stepping through, adding
// and removing frames.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

#include <algorithm>

void Editor::Zapmat() {
    for (work_.Cell = 0; work_.Cell < FrameStore::CellsPerFrame; ++work_.Cell)
        animation_.setCell(work_.Cell,
                           isCellShown(work_.Cell) ? FrameStore::Lit : FrameStore::Dark);
    showOnMatrix();
}

void Editor::Chitmat() {
    for (work_.Cell = 0; work_.Cell < FrameStore::CellsPerFrame; ++work_.Cell)
        setCellShown(work_.Cell, FrameStore::isLit(animation_.cell(work_.Cell)));
    showOnMatrix();
}

// "First image": frame 1 shown.
void Editor::Command21_Click() {
    animation_.setCurrentImage(1);
    showCommand(Control::FirstImage, false);
    showCommand(Control::PreviousImage, false);
    if (animation_.imageCount() > 1) {
        showCommand(Control::NextImage, true);
        showCommand(Control::LastImage, true);
    }
    setLabel2();
    Chitmat();
}

// "Previous image": the frame before shown.
void Editor::Command22_Click() {
    animation_.setCurrentImage(animation_.currentImage() - 1);
    if (animation_.currentImage() <= 1) {
        showCommand(Control::FirstImage, false);
        showCommand(Control::PreviousImage, false);
    }
    if (animation_.imageCount() > 1) {
        showCommand(Control::NextImage, true);
        showCommand(Control::LastImage, true);
    }
    if (animation_.currentImage() == 0)
        animation_.setCurrentImage(1);
    setLabel2();
    Chitmat();
}

// "Next image": the frame after shown.
void Editor::Command23_Click() {
    animation_.setCurrentImage(animation_.currentImage() + 1);
    if (animation_.currentImage() == animation_.imageCount()) {
        showCommand(Control::NextImage, false);
        showCommand(Control::LastImage, false);
    }
    if (animation_.currentImage() > 1) {
        showCommand(Control::FirstImage, true);
        showCommand(Control::PreviousImage, true);
    }
    if (animation_.currentImage() == animation_.imageCount() + 1)
        animation_.setCurrentImage(animation_.imageCount());
    setLabel2();
    Chitmat();
}

// "Last image": the last frame shown.
void Editor::Command24_Click() {
    animation_.setCurrentImage(animation_.imageCount());
    showCommand(Control::NextImage, false);
    showCommand(Control::LastImage, false);
    if (animation_.currentImage() > 1) {
        showCommand(Control::FirstImage, true);
        showCommand(Control::PreviousImage, true);
    }
    setLabel2();
    Chitmat();
}

// "Add image": an empty frame after the last one.
void Editor::Command25_Click() {
    expectChange(FrameCommands::partChange(animation_, animation_.frames().size(),
                                           FrameStore::CellsPerFrame));
    animation_.setImageCount(animation_.imageCount() + 1);
    if (animation_.imageCount() > 1) {
        showCommand(Control::DeleteImage, true);
        showCommand(Control::NextImage, true);
        showCommand(Control::LastImage, true);
    }
    if (animation_.imageCount() == FrameStore::AddLimit + 1)
        animation_.setImageCount(FrameStore::AddLimit);
    if (animation_.imageCount() == FrameStore::AddLimit)
        showCommand(Control::AddImage, false);
    // A loaded file may hold more than the add limit, but never more frames than
    // a file can hold: every animation saved must load back.
    if (animation_.imageCount() >= LedFormat::MaxFrames) {
        animation_.setImageCount(LedFormat::MaxFrames);
        showCommand(Control::AddImage, false);
    }
    setLabel2();
    animation_.fitStoreToCount();
    Chitmat();
}

// "Delete image": the last frame dropped.
void Editor::Command26_Click() {
    const int last = std::max(animation_.imageCount(), 1);
    expectChange(FrameCommands::partChange(animation_, FrameStore::indexOf(last, 0),
                                           FrameStore::CellsPerFrame));
    animation_.setImageCount(animation_.imageCount() - 1);
    if (animation_.imageCount() <= 1) {
        showCommand(Control::DeleteImage, false);
        showCommand(Control::NextImage, false);
        showCommand(Control::LastImage, false);
    }
    if (animation_.imageCount() < FrameStore::AddLimit)
        showCommand(Control::AddImage, true);
    if (animation_.imageCount() == 0)
        animation_.setImageCount(1);
    if (animation_.currentImage() > animation_.imageCount())
        animation_.setCurrentImage(animation_.imageCount());
    if (animation_.currentImage() <= 1) {
        showCommand(Control::FirstImage, false);
        showCommand(Control::PreviousImage, false);
    }
    setLabel2();
    animation_.fitStoreToCount();
    Chitmat();
}
