#include "ui/BoardView.h"

#include "frames/FrameStore.h"
#include "pictures/BoardRendering.h"
#include "ui/Artwork.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QVector>
#include <algorithm>
#include <cmath>

BoardView::BoardView(QWidget* parent) : QWidget(parent) {
    setFixedSize(Artwork::BoardSize, Artwork::BoardSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPoint BoardView::cellOrigin(int cell) {
    return {Artwork::BoardMargin + Artwork::LedSize * (cell % FrameStore::Side),
            Artwork::BoardMargin + Artwork::LedSize * (cell / FrameStore::Side)};
}

void BoardView::setCellShown(int cell, bool shown) {
    const auto bit = static_cast<std::size_t>(cell);
    if (shown_.test(bit) == shown)
        return;
    shown_.set(bit, shown);
    update(QRect(cellOrigin(cell), QSize(Artwork::LedSize, Artwork::LedSize)));
    emit cellChanged(cell);
}

void BoardView::setShades(const Levels& shades) {
    if (shades == shades_)
        return;
    shades_ = shades;
    update();
}

void BoardView::setPreview(std::optional<Levels> preview) {
    if (preview == preview_)
        return;
    preview_ = preview;
    update();
}

void BoardView::setOnionSkin(const Levels& previous, const Levels& next) {
    if (previous == previous_ && next == next_)
        return;
    previous_ = previous;
    next_ = next;
    update();
}

void BoardView::setSelectionOutline(const Chosen& chosen, int phase) {
    if (chosen == chosen_ && (chosen.none() || phase == antsPhase_))
        return;
    chosen_ = chosen;
    antsPhase_ = phase;
    update();
}

namespace {

double toLinear(double srgb) {
    return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
}

double fromLinear(double linear) {
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

} // namespace

// The lit picture over the dark one at this opacity gives, in the red that
// carries them, the colour the exports give the level: dark and lit mixed in
// linear light.
qreal BoardView::shadeOpacity(int level) {
    if (level >= FrameStore::MaxLevel)
        return 1.0; // the lit picture itself, not a rounding of it
    const double share = std::clamp(level, 0, FrameStore::MaxLevel) / double(FrameStore::MaxLevel);
    const double dark = BoardRendering::DarkColour.redF(), lit = BoardRendering::LitColour.redF();
    const double mixed = fromLinear(toLinear(dark) + (toLinear(lit) - toLinear(dark)) * share);
    return (mixed - dark) / (lit - dark);
}

BoardView::Levels BoardView::shownLevels() const {
    Levels levels = shades_;
    for (std::size_t cell = 0; cell < levels.size(); ++cell)
        if (shown_.test(cell))
            levels[cell] = FrameStore::MaxLevel;
    return levels;
}

// Each cell of `levels` above 0 and not yet covered by a full LED in `over`.
void BoardView::paintLeds(QPainter& painter, const QRect& dirty, const Levels& levels,
                          qreal opacity, const Levels& over) {
    const QPixmap& led = Artwork::litLed();
    for (int cell = 0; cell < Cells; ++cell) {
        const auto at = static_cast<std::size_t>(cell);
        if (levels[at] == 0 || over[at] == FrameStore::MaxLevel)
            continue;
        const QRect area(cellOrigin(cell), QSize(Artwork::LedSize, Artwork::LedSize));
        if (!dirty.intersects(area))
            continue;
        painter.setOpacity(opacity * shadeOpacity(levels[at]));
        painter.drawPixmap(area.topLeft(), led);
    }
}

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawPixmap(event->rect(), Artwork::boardBackground(), event->rect());
    const Levels lit = preview_ ? *preview_ : shownLevels();
    Levels overNext = lit;
    for (std::size_t cell = 0; cell < overNext.size(); ++cell)
        if (previous_[cell] > 0)
            overNext[cell] = FrameStore::MaxLevel;
    paintLeds(painter, event->rect(), next_, 0.25, overNext);
    paintLeds(painter, event->rect(), previous_, 0.45, lit);
    paintLeds(painter, event->rect(), lit, 1.0, Levels{});
    paintAxes(painter);
    paintAnts(painter);
}

void BoardView::setMirrorAxes(std::optional<int> doubledColumn, std::optional<int> doubledRow) {
    if (doubledColumn == axisColumn_ && doubledRow == axisRow_)
        return;
    axisColumn_ = doubledColumn;
    axisRow_ = doubledRow;
    update();
}

// An axis runs along the middle of its column or row, or between two.
void BoardView::paintAxes(QPainter& painter) const {
    const auto at = [](int doubled) {
        return Artwork::BoardMargin + Artwork::LedSize * (doubled + 1) / 2;
    };
    const int first = Artwork::BoardMargin;
    const int last = Artwork::BoardMargin + Artwork::LedSize * FrameStore::Side;
    painter.setOpacity(0.8);
    painter.setPen(QPen(QColor(0x3c, 0xc8, 0xf0), 1, Qt::DashLine));
    if (axisColumn_)
        painter.drawLine(at(*axisColumn_), first, at(*axisColumn_), last);
    if (axisRow_)
        painter.drawLine(first, at(*axisRow_), last, at(*axisRow_));
}

// Each edge between a chosen LED and one that is not (or the board's edge),
// dashed white over black so that it shows over lit and dark LEDs alike.
void BoardView::paintAnts(QPainter& painter) const {
    if (chosen_.none())
        return;
    const auto chosen = [this](int x, int y) {
        return x >= 0 && y >= 0 && x < FrameStore::Side && y < FrameStore::Side &&
               chosen_.test(static_cast<std::size_t>(y * FrameStore::Side + x));
    };
    QVector<QLine> edges;
    constexpr int Led = Artwork::LedSize;
    for (int y = 0; y < FrameStore::Side; ++y)
        for (int x = 0; x < FrameStore::Side; ++x) {
            if (!chosen(x, y))
                continue;
            const QPoint o = cellOrigin(y * FrameStore::Side + x);
            if (!chosen(x, y - 1))
                edges.append(QLine(o.x(), o.y(), o.x() + Led, o.y()));
            if (!chosen(x, y + 1))
                edges.append(QLine(o.x(), o.y() + Led, o.x() + Led, o.y() + Led));
            if (!chosen(x - 1, y))
                edges.append(QLine(o.x(), o.y(), o.x(), o.y() + Led));
            if (!chosen(x + 1, y))
                edges.append(QLine(o.x() + Led, o.y(), o.x() + Led, o.y() + Led));
        }
    painter.setOpacity(1.0);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLines(edges);
    QPen dashes(Qt::white, 1, Qt::CustomDashLine);
    dashes.setDashPattern({3, 3});
    dashes.setDashOffset(antsPhase_ % 6);
    painter.setPen(dashes);
    painter.drawLines(edges);
}
