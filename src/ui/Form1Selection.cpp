// The window's side of the Select and Wand tools and of "Apply to chosen
// frames": which buttons and keys act on the selected LEDs or on every chosen
// image instead of the image shown.
#include "ui/Form1.h"

#include "editor/CommonDialog.h"
#include "editor/Editor.h"
#include "ui/BoardView.h"
#include "ui/FrameStrip.h"
#include "ui/MouseSurface.h"
#include "ui/SelectionTool.h"
#include "ui/SidePanel.h"

#include <QAction>

void Form1::createSelection() {
    selection_ =
        new SelectionTool(SelectionTool::Host{*editor_, *Image1, [this] { return targetImages(); },
                                              [this](const QString& refusal) {
                                                  refuse(QStringLiteral("Select"), refusal);
                                              }},
                          this);
    connect(selection_, &SelectionTool::selectionChanged, this, &Form1::showSelectionKeys);
    connect(sidePanel_, &SidePanel::toolChosen, this, [this](Tool tool) {
        if (tool != Tool::Select && tool != Tool::Wand)
            selection_->drop();
    });
    Image3->leaveArrowsWhile(
        [this] { return selects() && selection_->hasSelection() && !selection_->inGesture(); });
    createSelectionKeys();
    const auto showTargets = [this] {
        sidePanel_->showTargetCount(static_cast<int>(targetImages().size()));
    };
    connect(sidePanel_, &SidePanel::applyToChosenChanged, this, showTargets);
    connect(strip_, &FrameStrip::chosenChanged, this, showTargets);
}

bool Form1::selects() const {
    const Tool tool = sidePanel_->tool();
    return tool == Tool::Select || tool == Tool::Wand;
}

void Form1::refuse(const QString& title, const QString& refusal) {
    if (!refusal.isEmpty())
        tell({Message::Kind::Warning, title, refusal});
}

void Form1::createSelectionKeys() {
    addKey({QKeySequence(Qt::CTRL | Qt::Key_A)}, [this] {
        chooseTool(Tool::Select);
        selection_->selectAll();
    });
    addKey({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)}, [this] {
        chooseTool(Tool::Select);
        refuse(QStringLiteral("Paste"), selection_->paste());
    });
    selectionKeys_ << addKey({QKeySequence(Qt::CTRL | Qt::Key_X)},
                             [this] { refuse(QStringLiteral("Cut"), selection_->cut()); });
    selectionKeys_ << addKey({QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)},
                             [this] { refuse(QStringLiteral("Clear"), selection_->clearLeds()); });
    const struct {
        Qt::Key key;
        int dx, dy;
    } arrows[] = {
        {Qt::Key_Left, -1, 0}, {Qt::Key_Right, 1, 0}, {Qt::Key_Up, 0, -1}, {Qt::Key_Down, 0, 1}};
    constexpr int Far = 4; // with Shift
    for (const auto& a : arrows) {
        selectionKeys_ << addKey({QKeySequence(a.key)}, [this, a] {
            if (!selection_->inGesture())
                refuse(QStringLiteral("Move"), selection_->nudge(a.dx, a.dy));
        });
        selectionKeys_ << addKey({QKeySequence(Qt::SHIFT | a.key)}, [this, a] {
            if (!selection_->inGesture())
                refuse(QStringLiteral("Move"), selection_->nudge(a.dx * Far, a.dy * Far));
        });
    }
    showSelectionKeys();
}

// The selection's keys and the button keys they stand in for are never both on:
// Qt runs neither of two enabled actions that share a key.
bool Form1::selectionTakesKey(Control control) const {
    return control == Control::DeleteImage && selection_ != nullptr && selection_->hasSelection();
}

void Form1::showSelectionKeys() {
    const bool on = selection_->hasSelection();
    // What the ants show, for a screen reader; none: the board's own description.
    Image3->setAccessibleDescription(
        on ? QStringLiteral("%1 LEDs selected: the arrow keys move them, Esc drops them")
                 .arg(selection_->selection().count())
           : QString());
    for (QAction* key : selectionKeys_)
        key->setEnabled(on);
    keyAction(Control::DeleteImage)
        ->setEnabled(editor_->panel().isShown(Control::DeleteImage) && !on);
    if (cancelStroke_ != nullptr)
        cancelStroke_->setEnabled(on || stroke_.has_value());
}

void Form1::runControl(Control control, bool fromKey) {
    if (selects()) {
        if (fromKey && control == Control::Paste)
            return refuse(QStringLiteral("Paste"), selection_->paste());
        if (fromKey && control == Control::Copy && selection_->hasSelection())
            return refuse(QStringLiteral("Copy"), selection_->copy());
        if (selection_->takesControl(control))
            return refuse(QStringLiteral("Image"), selection_->runControl(control));
    }
    // The Image group reaches every chosen image in one step; the other buttons
    // (speed, files, navigation, Copy) are the image shown's alone.
    if (const std::vector<int> images = targetImages(); images.size() > 1)
        if (const std::optional<QString> refusal = editor_->runOnImages(control, images)) {
            refuse(control == Control::Paste ? QStringLiteral("Paste") : QStringLiteral("Image"),
                   *refusal);
            return;
        }
    editor_->click(control);
}
