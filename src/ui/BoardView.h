#pragma once

#include "frames/FrameStore.h"

#include <QWidget>
#include <bitset>
#include <optional>

// The on-screen board: the background picture with its 16 x 16 dark LEDs and,
// over it, the lit-LED picture of every cell that is shown. One painted widget
// keeps the 256 shown/hidden flags the cells would each carry.
class QPainter;

class BoardView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Cells = FrameStore::CellsPerFrame;

    explicit BoardView(QWidget* parent = nullptr);

    bool isCellShown(int cell) const { return shown_.test(static_cast<std::size_t>(cell)); }
    void setCellShown(int cell, bool shown);
    int shownCount() const { return static_cast<int>(shown_.count()); }

    using Cells256 = std::bitset<Cells>;
    // What a drawing tool would draw, shown in place of the cells until it is
    // finished or given up.
    void setPreview(std::optional<Cells256> preview);
    // The frames before and after, shown faintly under the cells.
    void setOnionSkin(const Cells256& previous, const Cells256& next);

    // Top-left corner of a cell's picture, in the board's own pixels.
    static QPoint cellOrigin(int cell);

signals:
    void cellChanged(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintLeds(QPainter& painter, const QRect& dirty, const Cells256& cells, qreal opacity);

    Cells256 shown_;
    std::optional<Cells256> preview_;
    Cells256 previous_;
    Cells256 next_;
};
