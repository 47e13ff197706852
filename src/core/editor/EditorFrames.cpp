// Moving a frame between the board and the store, and stepping through, adding
// and removing frames.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

void Editor::Zapmat() {
    const bool whole = FrameStore::holdsFrame(State.Frames.size(), State.CurrentImage);
    for (State.Cell = 0; State.Cell < FrameStore::CellsPerFrame; ++State.Cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, State.Cell);
        if (whole || index < State.Frames.size())
            State.Frames[index] = isCellShown(State.Cell) ? FrameStore::Lit : FrameStore::Dark;
    }
    showOnMatrix();
}

void Editor::Chitmat() {
    const bool whole = FrameStore::holdsFrame(State.Frames.size(), State.CurrentImage);
    for (State.Cell = 0; State.Cell < FrameStore::CellsPerFrame; ++State.Cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, State.Cell);
        const bool lit =
            (whole || index < State.Frames.size()) && FrameStore::isLit(State.Frames[index]);
        setCellShown(State.Cell, lit);
    }
    showOnMatrix();
}

void Editor::Command21_Click() {
    State.CurrentImage = 1;
    showCommand(Control::Command21, false);
    showCommand(Control::Command22, false);
    if (State.ImageCount > 1) {
        showCommand(Control::Command23, true);
        showCommand(Control::Command24, true);
    }
    setLabel2();
    Chitmat();
}

void Editor::Command22_Click() {
    State.CurrentImage = State.CurrentImage - 1;
    if (State.CurrentImage <= 1) {
        showCommand(Control::Command21, false);
        showCommand(Control::Command22, false);
    }
    if (State.ImageCount > 1) {
        showCommand(Control::Command23, true);
        showCommand(Control::Command24, true);
    }
    if (State.CurrentImage == 0)
        State.CurrentImage = 1;
    setLabel2();
    Chitmat();
}

void Editor::Command23_Click() {
    State.CurrentImage = State.CurrentImage + 1;
    if (State.CurrentImage == State.ImageCount) {
        showCommand(Control::Command23, false);
        showCommand(Control::Command24, false);
    }
    if (State.CurrentImage > 1) {
        showCommand(Control::Command21, true);
        showCommand(Control::Command22, true);
    }
    if (State.CurrentImage == State.ImageCount + 1)
        State.CurrentImage = State.ImageCount;
    setLabel2();
    Chitmat();
}

void Editor::Command24_Click() {
    State.CurrentImage = State.ImageCount;
    showCommand(Control::Command23, false);
    showCommand(Control::Command24, false);
    if (State.CurrentImage > 1) {
        showCommand(Control::Command21, true);
        showCommand(Control::Command22, true);
    }
    setLabel2();
    Chitmat();
}

void Editor::Command25_Click() {
    State.ImageCount = State.ImageCount + 1;
    if (State.ImageCount > 1) {
        showCommand(Control::Command26, true);
        showCommand(Control::Command23, true);
        showCommand(Control::Command24, true);
    }
    if (State.ImageCount == FrameStore::AddLimit + 1)
        State.ImageCount = FrameStore::AddLimit;
    if (State.ImageCount == FrameStore::AddLimit)
        showCommand(Control::Command25, false);
    // A loaded file may hold more than the add limit, but never more frames than
    // a file can hold: every animation saved must load back.
    if (State.ImageCount >= LedFormat::MaxFrames) {
        State.ImageCount = LedFormat::MaxFrames;
        showCommand(Control::Command25, false);
    }
    setLabel2();
    FrameStore::resize(State.Frames, State.ImageCount);
    Chitmat();
}

void Editor::Command26_Click() {
    State.ImageCount = State.ImageCount - 1;
    if (State.ImageCount <= 1) {
        showCommand(Control::Command26, false);
        showCommand(Control::Command23, false);
        showCommand(Control::Command24, false);
    }
    if (State.ImageCount < FrameStore::AddLimit)
        showCommand(Control::Command25, true);
    if (State.ImageCount == 0)
        State.ImageCount = 1;
    if (State.CurrentImage > State.ImageCount)
        State.CurrentImage = State.ImageCount;
    if (State.CurrentImage <= 1) {
        showCommand(Control::Command21, false);
        showCommand(Control::Command22, false);
    }
    setLabel2();
    FrameStore::resize(State.Frames, State.ImageCount);
    Chitmat();
}
