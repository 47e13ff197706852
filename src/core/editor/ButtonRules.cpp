// Which buttons are offered while an animation plays and after it stops.
#include "editor/Editor.h"
#include "frames/FrameStore.h"

void Editor::Dknop() {
    for (Control b :
         {Control::Command5,  Control::Command6,  Control::Command7,  Control::Command8,
          Control::Command9,  Control::Command10, Control::Command11, Control::Command12,
          Control::Command13, Control::Command14, Control::Command15, Control::Command16,
          Control::Command17, Control::Command18, Control::Command20, Control::Command21,
          Control::Command22, Control::Command23, Control::Command24, Control::Command25,
          Control::Command26})
        showCommand(b, false);
}

void Editor::Aknop() {
    for (Control b :
         {Control::Command5, Control::Command6, Control::Command7, Control::Command8,
          Control::Command9, Control::Command10, Control::Command11, Control::Command12,
          Control::Command13, Control::Command14, Control::Command15, Control::Command16,
          Control::Command17, Control::Command18, Control::Command20})
        showCommand(b, true);
    // Navigation is only ever shown here; Dknop hid it when playback began.
    if (animation_.currentImage() > 1) {
        showCommand(Control::Command21, true);
        showCommand(Control::Command22, true);
    }
    if (animation_.imageCount() > animation_.currentImage()) {
        showCommand(Control::Command23, true);
        showCommand(Control::Command24, true);
    }
    showCommand(Control::Command26, animation_.imageCount() > 1);
    showCommand(Control::Command25, animation_.imageCount() < FrameStore::AddLimit);
}
