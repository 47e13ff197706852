// The mirror's axes: placed from the keyboard, drawn on the board while the
// tools draw mirrored.
#include "ui/Form1.h"

#include "frames/HitTest.h"
#include "ui/BoardView.h"
#include "ui/MouseSurface.h"
#include "ui/SidePanel.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCursor>

void Form1::createMirrorAxes() {
    connect(sidePanel_, &SidePanel::mirrorChanged, this, &Form1::showMirrorAxes);
    addKey({QKeySequence(Qt::SHIFT | Qt::Key_Y)}, [this] { placeMirrorAxes(); });
    showMirrorAxes();
}

// Through the middle of the LED under the pointer, or under the board's cursor
// when the pointer is elsewhere; on the same LED again, back to the board's middle.
void Form1::placeMirrorAxes() {
    setSidePanelOpen(true);
    const QPoint pointer = Image3->mapFromGlobal(QCursor::pos());
    const int cell = Image3->rect().contains(pointer)
                         ? HitTest::cellAt(float(pointer.x()) * Twips::PerPixel,
                                           float(pointer.y()) * Twips::PerPixel)
                         : Image3->cursorCell();
    const MirrorAxes through{2 * (cell % FrameStore::Side), 2 * (cell / FrameStore::Side)};
    sidePanel_->setMirrorAxes(sidePanel_->mirrorAxes() == through ? MirrorAxes{} : through);
}

void Form1::showMirrorAxes() {
    const Symmetry symmetry = sidePanel_->strokeOptions().symmetry;
    const MirrorAxes axes = sidePanel_->mirrorAxes();
    const bool columns = symmetry == Symmetry::LeftRight || symmetry == Symmetry::Both;
    const bool rows = symmetry == Symmetry::TopBottom || symmetry == Symmetry::Both;
    Image1->setMirrorAxes(columns ? std::optional(axes.doubledColumn) : std::nullopt,
                          rows ? std::optional(axes.doubledRow) : std::nullopt);
}
