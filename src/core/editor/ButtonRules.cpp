// Which buttons are offered while an animation plays and after it stops.
#include "editor/Editor.h"
#include "frames/FrameStore.h"

void Editor::Dknop() {
    for (Control b : {Control::VerticalFlip, Control::ShiftUp,       Control::HorizontalFlip,
                      Control::Copy,         Control::ShiftLeft,     Control::Invert,
                      Control::ShiftRight,   Control::SetOrClearAll, Control::RotateLeft,
                      Control::ShiftDown,    Control::RotateRight,   Control::Paste,
                      Control::LoadFile,     Control::NewFile,       Control::SaveFile,
                      Control::FirstImage,   Control::PreviousImage, Control::NextImage,
                      Control::LastImage,    Control::AddImage,      Control::DeleteImage})
        showCommand(b, false);
}

void Editor::Aknop() {
    for (Control b :
         {Control::VerticalFlip, Control::ShiftUp, Control::HorizontalFlip, Control::Copy,
          Control::ShiftLeft, Control::Invert, Control::ShiftRight, Control::SetOrClearAll,
          Control::RotateLeft, Control::ShiftDown, Control::RotateRight, Control::Paste,
          Control::LoadFile, Control::NewFile, Control::SaveFile})
        showCommand(b, true);
    // Navigation is only ever shown here; Dknop hid it when playback began.
    if (animation_.currentImage() > 1) {
        showCommand(Control::FirstImage, true);
        showCommand(Control::PreviousImage, true);
    }
    if (animation_.imageCount() > animation_.currentImage()) {
        showCommand(Control::NextImage, true);
        showCommand(Control::LastImage, true);
    }
    showCommand(Control::DeleteImage, animation_.imageCount() > 1);
    showCommand(Control::AddImage, animation_.imageCount() < FrameStore::AddLimit);
}
