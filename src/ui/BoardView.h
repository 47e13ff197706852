#pragma once

#include "frames/FrameStore.h"

#include <QWidget>
#include <bitset>

// The on-screen board: the background picture with its 16 x 16 dark LEDs and,
// over it, the lit-LED picture of every cell that is shown. One painted widget
// keeps the 256 shown/hidden flags the cells would each carry.
class BoardView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Cells = FrameStore::CellsPerFrame;

    explicit BoardView(QWidget* parent = nullptr);

    bool isCellShown(int cell) const { return shown_.test(static_cast<std::size_t>(cell)); }
    void setCellShown(int cell, bool shown);
    int shownCount() const { return static_cast<int>(shown_.count()); }

    // Top-left corner of a cell's picture, in the board's own pixels.
    static QPoint cellOrigin(int cell);

signals:
    void cellChanged(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::bitset<Cells> shown_;
};
