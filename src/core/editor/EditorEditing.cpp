// Drawing with the mouse and the whole-frame operations of the "Image" group.
//
// While the board is blanked it does not show the current frame, so the
// operations then work on the stored frame and leave the board dark; taking the
// blank board as the picture would wipe the user's frame. Navigating while
// blanked redraws the board, so it is darkened again rather than left showing
// the picture from before the operation.
//
// The board shows on and off only, so an animation with grey levels never takes
// a frame back from it: the operations store their picture as it is and then
// show it.
#include "editor/Editor.h"
#include "frames/FrameStore.h"
#include "frames/HitTest.h"

using FrameTransforms::Frame;

void Editor::showOnBoard(const Frame& frame) {
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        setCellShown(cell, FrameStore::isLit(frame[static_cast<std::size_t>(cell)]));
}

void Editor::storeWithLevels(const Frame& frame) {
    animation_.storeCurrentFrame(frame);
    if (outputModes_.matrixOff()) {
        hideAllCells();
        return;
    }
    showOnBoard(frame);
    showOnMatrix();
}

void Editor::transformFrame(FrameFn transform) {
    expectChange(FrameCommands::currentFrameChange(animation_));
    Nulreg();
    if (animation_.hasLevels()) {
        storeWithLevels(FrameTransforms::withLevels(transform, animation_.currentFrame()));
        return;
    }
    if (outputModes_.matrixOff()) {
        animation_.storeCurrentFrame(transform(animation_.currentFrame()));
        hideAllCells();
        return;
    }
    Zapmat();
    showOnBoard(transform(animation_.currentFrame()));
    Zapmat();
}

void Editor::Image3_MouseMove(int, int, float x, float y) {
    work_.MouseCell = HitTest::cellAt(x, y);
}

void Editor::Image3_MouseUp(int, int, float, float) {
    if (playback_.playing() || outputModes_.matrixOff())
        return;
    const int cell = work_.MouseCell;
    expectChange(FrameCommands::partChange(
        animation_, FrameStore::indexOf(animation_.currentImage(), cell), 1));
    setCellShown(cell, !isCellShown(cell));
    animation_.setCell(cell, isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark);
    showOnMatrix();
}

// "Rotate right": the frame turned a quarter clockwise.
void Editor::Command15_Click() {
    transformFrame(FrameTransforms::rotateRight);
}

// "Rotate left": the frame turned a quarter counter-clockwise.
void Editor::Command13_Click() {
    transformFrame(FrameTransforms::rotateLeft);
}

// "Vertical flip": the frame mirrored left to right.
void Editor::Command5_Click() {
    transformFrame(FrameTransforms::mirrorLeftRight);
}

// "Horizontal flip": the frame mirrored top to bottom.
void Editor::Command7_Click() {
    transformFrame(FrameTransforms::mirrorTopBottom);
}

// "Invert": every LED of the frame the other way (a grey level l to 15 - l).
void Editor::Command10_Click() {
    transformFrame(FrameTransforms::invert);
}

// "Up": the frame shifted up a row, the top row coming back at the bottom.
void Editor::Command6_Click() {
    transformFrame(FrameTransforms::shiftUp);
}

// "Down": the frame shifted down a row, the bottom row coming back at the top.
void Editor::Command14_Click() {
    transformFrame(FrameTransforms::shiftDown);
}

// "Left": the frame shifted left a column, the left column coming back at the right.
void Editor::Command9_Click() {
    transformFrame(FrameTransforms::shiftLeft);
}

// "Right": the frame shifted right a column, the right column coming back at the left.
void Editor::Command11_Click() {
    transformFrame(FrameTransforms::shiftRight);
}

// "Set all" / "Clear all": the whole frame lit, or dark, by turns.
void Editor::Command12_Click() {
    expectChange(FrameCommands::currentFrameChange(animation_));
    Nulreg();
    const bool lit = !work_.AllSet;
    showSetOrClearAll(lit);
    const Frame frame = FrameTransforms::filled(lit);
    if (outputModes_.matrixOff()) {
        animation_.storeCurrentFrame(frame);
        hideAllCells();
        return;
    }
    showOnBoard(frame);
    Zapmat();
}

// "Copy": the frame into the copy buffer.
void Editor::Command8_Click() {
    if (animation_.hasLevels()) {
        animation_.setClipFrame(animation_.currentFrame());
        return;
    }
    if (outputModes_.matrixOff()) {
        animation_.setClipFrame(FrameTransforms::normalized(animation_.currentFrame()));
        return;
    }
    Frame board;
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        board[static_cast<std::size_t>(cell)] =
            isCellShown(cell) ? FrameStore::Lit : FrameStore::Dark;
    animation_.setClipFrame(board);
}

// "Paste": the copy buffer into the frame.
void Editor::Command16_Click() {
    expectChange(FrameCommands::currentFrameChange(animation_));
    if (animation_.hasLevels()) {
        storeWithLevels(animation_.clipFrame());
        return;
    }
    if (outputModes_.matrixOff()) {
        animation_.storeCurrentFrame(animation_.clipFrame());
        hideAllCells();
        return;
    }
    showOnBoard(animation_.clipFrame());
    Zapmat();
}
