// Drawing with the mouse and the whole-frame operations of the "Image" group.
//
// While the board is blanked it does not show the current frame, so the
// operations then work on the stored frame and leave the board dark; taking the
// blank board as the picture would wipe the user's frame. Navigating while
// blanked redraws the board, so it is darkened again rather than left showing
// the picture from before the operation.
#include "ui/Form1.h"
#include "ui/IconStore.h"
#include "editing/HitTest.h"
#include "frames/FrameStore.h"

#include <QToolButton>

using FrameTransforms::Frame;

Frame Form1::currentFrame() const {
    Frame frame{};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
        if (index < State.Frames.size())
            frame[static_cast<std::size_t>(cell)] = State.Frames[index];
    }
    return frame;
}

void Form1::storeCurrentFrame(const Frame& frame) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
        if (index < State.Frames.size())
            State.Frames[index] = frame[static_cast<std::size_t>(cell)];
    }
}

void Form1::showOnBoard(const Frame& frame) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        setCellShown(cell, FrameStore::isLit(frame[static_cast<std::size_t>(cell)]));
}

void Form1::transformFrame(FrameFn transform) {
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

void Form1::Image3_MouseMove(int, int, float x, float y) {
    State.MouseCell = HitTest::cellAt(x, y);
}

void Form1::Image3_MouseUp(int, int, float, float) {
    if (State.Playing != 0 || State.MatrixOff != 0)
        return;
    const int cell = State.MouseCell;
    setCellShown(cell, !isCellShown(cell));
    const std::size_t index = FrameStore::indexOf(State.CurrentImage, cell);
    if (index < State.Frames.size())
        State.Frames[index] = isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark;
}

void Form1::Command15_Click() {
    transformFrame(FrameTransforms::rotateRight);
}
void Form1::Command13_Click() {
    transformFrame(FrameTransforms::rotateLeft);
}
void Form1::Command5_Click() {
    transformFrame(FrameTransforms::mirrorLeftRight);
}
void Form1::Command7_Click() {
    transformFrame(FrameTransforms::mirrorTopBottom);
}
void Form1::Command10_Click() {
    transformFrame(FrameTransforms::invert);
}

void Form1::Command6_Click() {
    transformFrame(FrameTransforms::shiftUp);
}
void Form1::Command14_Click() {
    transformFrame(FrameTransforms::shiftDown);
}
void Form1::Command9_Click() {
    transformFrame(FrameTransforms::shiftLeft);
}
void Form1::Command11_Click() {
    transformFrame(FrameTransforms::shiftRight);
}

void Form1::Command12_Click() {
    Nulreg();
    State.AllSet = State.AllSet == 0 ? 1 : 0;
    const bool lit = State.AllSet == 1;
    Command12->setIcon(lit ? Image5->icon() : Image4->icon());
    Command12->setToolTip(lit ? QStringLiteral("Clear all") : QStringLiteral("Set all"));
    const Frame frame = FrameTransforms::filled(lit);
    if (State.MatrixOff != 0) {
        storeCurrentFrame(frame);
        hideAllCells();
        return;
    }
    showOnBoard(frame);
    Zapmat();
}

void Form1::Command8_Click() {
    if (State.MatrixOff != 0) {
        State.ClipFrame = FrameTransforms::normalized(currentFrame());
        return;
    }
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        State.ClipFrame[static_cast<std::size_t>(cell)] =
            isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark;
}

void Form1::Command16_Click() {
    if (State.MatrixOff != 0) {
        storeCurrentFrame(State.ClipFrame);
        hideAllCells();
        return;
    }
    showOnBoard(State.ClipFrame);
    Zapmat();
}
