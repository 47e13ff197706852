#pragma once

#include "editor/Controls.h"
#include "frames/Selection.h"
#include "frames/ToolStroke.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class BoardView;
class Editor;
class QTimer;

// The Select and Wand tools: which LEDs are chosen, shown as marching ants on
// the board, and what is done with them. Chosen LEDs are copied, cut, pasted,
// cleared, moved by dragging or by the arrows, mirrored, turned and inverted,
// on the image shown or on every image a change reaches (the host's targets).
//
// Moved or pasted LEDs float: until another selection is made or it is
// dropped, each further move starts again from the frames as they were
// under them, so that passing over other LEDs leaves them as they were. Every
// move is written to the frames at once (one step of the history each), so the
// animation, its thumbnails, the matrix and a save always show it.
class SelectionTool final : public QObject {
    Q_OBJECT
public:
    struct Host {
        Editor& editor;
        BoardView& board;
        // The images a change reaches, counted from 1.
        std::function<std::vector<int>()> targets;
        // Shows why a change was refused.
        std::function<void(const QString&)> refuse;
    };

    SelectionTool(Host host, QObject* parent = nullptr);
    ~SelectionTool() override;

    const Selection& selection() const { return selection_; }
    bool hasSelection() const { return !selection_.empty(); }
    bool isFloating() const { return floating_.has_value(); }
    // A rectangle or a move under way, from the mouse or the keyboard.
    bool inGesture() const { return gesture_.has_value(); }

    // The mouse on the board with Select or Wand chosen. Shift adds to the
    // selection, Alt takes away; with Select a drag inside the selection moves
    // its LEDs, a click outside it without a drag drops it.
    void press(Tool tool, Drawing::Point at, Qt::KeyboardModifiers modifiers);
    void moveTo(Drawing::Point at);
    void release(Drawing::Point at);
    // Space or Enter on the board: Wand selects at once; Select begins a
    // rectangle (or, inside the selection, a move), the arrows carry it and
    // the second key finishes it.
    void keyAt(Tool tool, Drawing::Point at, Qt::KeyboardModifiers modifiers);
    void cancelGesture();

    void selectAll();
    // The selection dropped; floating LEDs stay where they were put.
    void drop();
    // Each on every target image, one step of the history; the reason when refused.
    QString copy();
    QString cut();
    QString paste();
    QString clearLeds();
    QString nudge(int dx, int dy);
    // The Image group's button `control` done on the selection: true when it
    // applies to one (flips, turns, Invert, and the shifts as nudges).
    bool takesControl(Control control) const;
    QString runControl(Control control);

    // After any change from elsewhere: floating LEDs whose frames changed
    // under them (undo, another image shown) are set down.
    void keepCurrent();

signals:
    void selectionChanged();

private:
    // Lifted or pasted LEDs, for each image they were put on: the frame as it
    // is without them, and the LEDs where they are now.
    struct Floating {
        std::vector<int> images;
        std::vector<FrameStore::Frame> under;
        std::vector<Region> leds;
        std::uint64_t writtenAt = 0; // the editor's change count once written
        int shownImage = 0;
    };
    // A rectangle being drawn, or the selection being dragged from `from`.
    struct Gesture {
        bool moving = false;
        Drawing::Point from;
        Drawing::Point to;
        Qt::KeyboardModifiers modifiers;
        std::optional<Selection> dragged = {}; // where a drag shows the selected LEDs
    };

    QString writeFloating(Floating floating);
    Floating floatingOrLifted() const;
    void setSelection(const Selection& selection);
    void showGesture();
    void showAnts();
    bool levels() const;
    Selection combined(const Selection& made, Qt::KeyboardModifiers modifiers) const;
    using RegionChange = std::function<Region(const Region&)>;
    QString changeRegions(const RegionChange& change, const QString& noneSelected);
    std::optional<RegionChange> changeOf(Control control) const;

    Host host_;
    Selection selection_;
    std::optional<Floating> floating_;
    std::optional<Gesture> gesture_;
    QTimer* ants_ = nullptr;
    int antsPhase_ = 0;
};
