// Which buttons are offered while an animation plays and after it stops.
#include "ui/Form1.h"
#include "frames/FrameStore.h"

#include <QToolButton>

void Form1::Dknop() {
    for (QToolButton* b :
         {Command5,  Command6,  Command7,  Command8,  Command9,  Command10, Command11,
          Command12, Command13, Command14, Command15, Command16, Command17, Command18,
          Command20, Command21, Command22, Command23, Command24, Command25, Command26})
        showCommand(b, false);
}

void Form1::Aknop() {
    for (QToolButton* b :
         {Command5, Command6, Command7, Command8, Command9, Command10, Command11, Command12,
          Command13, Command14, Command15, Command16, Command17, Command18, Command20})
        showCommand(b, true);
    // Navigation is only ever shown here; Dknop hid it when playback began.
    if (State.CurrentImage > 1) {
        showCommand(Command21, true);
        showCommand(Command22, true);
    }
    if (State.ImageCount > State.CurrentImage) {
        showCommand(Command23, true);
        showCommand(Command24, true);
    }
    showCommand(Command26, State.ImageCount > 1);
    showCommand(Command25, State.ImageCount < FrameStore::AddLimit);
}
