#pragma once

#include "frames/FrameStore.h"

#include <QWidget>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

// The on-screen board: the background picture with its 16 x 16 dark LEDs and,
// over it, the lit-LED picture of every cell that is shown. One painted widget
// keeps the 256 shown/hidden flags the cells would each carry. In an animation
// with grey levels, a cell that is not shown at full light may have a shade:
// the lit picture drawn as faint as the board would show that level.
class QPainter;

class BoardView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Cells = FrameStore::CellsPerFrame;

    explicit BoardView(QWidget* parent = nullptr);

    bool isCellShown(int cell) const { return shown_.test(static_cast<std::size_t>(cell)); }
    void setCellShown(int cell, bool shown);
    int shownCount() const { return static_cast<int>(shown_.count()); }

    // A level per cell, 0 (dark) to FrameStore::MaxLevel (full light).
    using Levels = std::array<std::uint8_t, Cells>;
    // The levels between dark and full light of the cells not shown; all 0 in
    // an on/off animation.
    void setShades(const Levels& shades);
    const Levels& shades() const { return shades_; }
    // What a drawing tool would draw, shown in place of the cells until it is
    // finished or given up.
    void setPreview(std::optional<Levels> preview);
    // The frames before and after, shown faintly under the cells.
    void setOnionSkin(const Levels& previous, const Levels& next);
    // The chosen LEDs outlined by marching ants, whose dashes move on one step
    // with each `phase`; none chosen: no outline.
    using Chosen = std::bitset<Cells>;
    void setSelectionOutline(const Chosen& chosen, int phase);
    const Chosen& selectionOutline() const { return chosen_; }
    // The mirror's axes as thin lines, in twice a column or row (MirrorAxes);
    // none: not drawn.
    void setMirrorAxes(std::optional<int> doubledColumn, std::optional<int> doubledRow);
    // How opaque the lit picture is drawn for `level`: its share of the light
    // in linear light, as the eye sees an LED lit that share of the time.
    static qreal shadeOpacity(int level);

    // Top-left corner of a cell's picture, in the board's own pixels.
    static QPoint cellOrigin(int cell);

signals:
    void cellChanged(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    using Cells256 = std::bitset<Cells>;
    Levels shownLevels() const;
    void paintAnts(QPainter& painter) const;
    void paintAxes(QPainter& painter) const;
    void paintLeds(QPainter& painter, const QRect& dirty, const Levels& levels, qreal opacity,
                   const Levels& over);

    Cells256 shown_;
    Levels shades_{};
    std::optional<Levels> preview_;
    Levels previous_{};
    Levels next_{};
    Chosen chosen_;
    std::optional<int> axisColumn_;
    std::optional<int> axisRow_;
    int antsPhase_ = 0;
};
