// Drawing with the mouse and the whole-frame operations of the "Image" group.
//
// While the board is blanked it does not show the current frame, so the
// operations then work on the stored frame and leave the board dark; taking the
// blank board as the picture would wipe the user's frame. Navigating while
// blanked redraws the board, so it is darkened again rather than left showing
// the picture from before the operation.
#include "editing/HitTest.h"
#include "editor/Editor.h"
#include "frames/FrameStore.h"

using FrameTransforms::Frame;

Frame Editor::currentFrame() const {
    Frame frame{};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
        if (index < State.Frames.size())
            frame[static_cast<std::size_t>(cell)] = State.Frames[index];
    }
    return frame;
}

void Editor::storeCurrentFrame(const Frame& frame) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
        if (index < State.Frames.size())
            State.Frames[index] = frame[static_cast<std::size_t>(cell)];
    }
}

void Editor::showOnBoard(const Frame& frame) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        setCellShown(cell, FrameStore::isLit(frame[static_cast<std::size_t>(cell)]));
}

void Editor::transformFrame(FrameFn transform) {
    Nulreg();
    if (State.MatrixOff != 0) {
        storeCurrentFrame(transform(currentFrame()));
        hideAllCells();
        return;
    }
    Zapmat();
    showOnBoard(transform(currentFrame()));
    Zapmat();
}

void Editor::Image3_MouseMove(int, int, float x, float y) {
    State.MouseCell = HitTest::cellAt(x, y);
}

void Editor::Image3_MouseUp(int, int, float, float) {
    if (State.Playing != 0 || State.MatrixOff != 0)
        return;
    const int cell = State.MouseCell;
    setCellShown(cell, !isCellShown(cell));
    const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
    if (index < State.Frames.size())
        State.Frames[index] = isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark;
    showOnMatrix();
}

void Editor::Command15_Click() {
    transformFrame(FrameTransforms::rotateRight);
}
void Editor::Command13_Click() {
    transformFrame(FrameTransforms::rotateLeft);
}
void Editor::Command5_Click() {
    transformFrame(FrameTransforms::mirrorLeftRight);
}
void Editor::Command7_Click() {
    transformFrame(FrameTransforms::mirrorTopBottom);
}
void Editor::Command10_Click() {
    transformFrame(FrameTransforms::invert);
}

void Editor::Command6_Click() {
    transformFrame(FrameTransforms::shiftUp);
}
void Editor::Command14_Click() {
    transformFrame(FrameTransforms::shiftDown);
}
void Editor::Command9_Click() {
    transformFrame(FrameTransforms::shiftLeft);
}
void Editor::Command11_Click() {
    transformFrame(FrameTransforms::shiftRight);
}

void Editor::Command12_Click() {
    Nulreg();
    State.AllSet = State.AllSet == 0 ? 1 : 0;
    const bool lit = State.AllSet == 1;
    panel_.setPicture(Control::Command12, lit ? Store::Image5 : Store::Image4);
    panel_.setTooltip(Control::Command12,
                      lit ? QStringLiteral("Clear all") : QStringLiteral("Set all"));
    const Frame frame = FrameTransforms::filled(lit);
    if (State.MatrixOff != 0) {
        storeCurrentFrame(frame);
        hideAllCells();
        return;
    }
    showOnBoard(frame);
    Zapmat();
}

void Editor::Command8_Click() {
    if (State.MatrixOff != 0) {
        State.ClipFrame = FrameTransforms::normalized(currentFrame());
        return;
    }
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        State.ClipFrame[static_cast<std::size_t>(cell)] =
            isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark;
}

void Editor::Command16_Click() {
    if (State.MatrixOff != 0) {
        storeCurrentFrame(State.ClipFrame);
        hideAllCells();
        return;
    }
    showOnBoard(State.ClipFrame);
    Zapmat();
}
