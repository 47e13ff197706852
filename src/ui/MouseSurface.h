#pragma once

#include <QWidget>
#include <functional>

class BoardView;

// The transparent surface over the board cells that receives every mouse event
// on the board, over lit and dark cells alike. Positions are reported in twips
// (15 per pixel) from the surface's top-left corner. It keeps the mouse from a
// press until the release, so moves may then lie outside it.
//
// From the keyboard it is the board: with focus it shows a cursor on one LED,
// the arrow keys move it, Space or Enter asks for that LED to be toggled; a
// click brings the cursor to the LED clicked. To assistive technology it is the
// board as a table of LEDs (ui/Accessibility).
class MouseSurface final : public QWidget {
    Q_OBJECT
public:
    explicit MouseSurface(QWidget* parent = nullptr);

    int cursorCell() const { return cursorCell_; }
    void setCursorCell(int cell);
    void requestToggle(int cell) { emit toggleRequested(cell); }
    // While `when` holds (the animation plays), Space is left to the window.
    void leaveSpaceWhile(std::function<bool()> when) { leaveSpace_ = std::move(when); }
    // While `when` holds (a selection to nudge), the arrows are left to the window.
    void leaveArrowsWhile(std::function<bool()> when) { leaveArrows_ = std::move(when); }

    // The board the surface covers, whose LEDs it reports as lit or dark.
    void setBoard(const BoardView* board);
    const BoardView* board() const { return board_; }

signals:
    void toggleRequested(int cell);
    void cursorMoved(int cell);
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float xTwips,
                 float yTwips);
    void moved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, float xTwips,
               float yTwips);
    void released(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float xTwips,
                  float yTwips);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool takes(const QKeyEvent& key) const;

    int cursorCell_ = 0;
    std::function<bool()> leaveSpace_;
    std::function<bool()> leaveArrows_;
    const BoardView* board_ = nullptr;
};
