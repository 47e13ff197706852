#pragma once

#include "editor/Controls.h"
#include "frames/FrameStore.h"

#include <QString>
#include <array>
#include <bitset>

// What the window shows, as plain state: the editor changes only this, and the
// window draws it. Which buttons are shown is state set by the handlers in the
// order of the clicks, not a formula of the editor state.
class Panel {
public:
    static constexpr int Cells = FrameStore::CellsPerFrame;

    struct Button {
        bool shown = true;
        Picture picture = Picture::Play;
        QString tooltip;
        bool operator==(const Button&) const = default;
    };

    Panel();

    bool isShown(Control c) const { return button(c).shown; }
    void show(Control c, bool shown) { edit(c).shown = shown; }
    Picture picture(Control c) const { return button(c).picture; }
    void setPicture(Control c, Picture picture) { edit(c).picture = picture; }
    const QString& tooltip(Control c) const { return button(c).tooltip; }
    void setTooltip(Control c, const QString& tooltip) { edit(c).tooltip = tooltip; }
    const Button& button(Control c) const { return buttons_[static_cast<std::size_t>(c)]; }

    bool isCellShown(int cell) const { return cells_.test(static_cast<std::size_t>(cell)); }
    void setCellShown(int cell, bool shown) { cells_.set(static_cast<std::size_t>(cell), shown); }
    const std::bitset<Cells>& cells() const { return cells_; }
    int shownCount() const { return static_cast<int>(cells_.count()); }

    QString label1;            // the rate
    QString label2;            // "current/count"
    QString caption;           // the window title
    bool timerEnabled = false; // Timer2
    int timerInterval = 1000;  // Timer2, in milliseconds

    bool operator==(const Panel&) const = default;

private:
    Button& edit(Control c) { return buttons_[static_cast<std::size_t>(c)]; }

    std::array<Button, ButtonCount> buttons_;
    std::bitset<Cells> cells_;
};
