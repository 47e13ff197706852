#include "ui/BoardView.h"

#include "frames/FrameStore.h"
#include "ui/Artwork.h"

#include <QPaintEvent>
#include <QPainter>

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

void BoardView::setPreview(std::optional<Cells256> preview) {
    if (preview == preview_)
        return;
    preview_ = preview;
    update();
}

void BoardView::setOnionSkin(const Cells256& previous, const Cells256& next) {
    if (previous == previous_ && next == next_)
        return;
    previous_ = previous;
    next_ = next;
    update();
}

void BoardView::paintLeds(QPainter& painter, const QRect& dirty, const Cells256& cells,
                          qreal opacity) {
    const QPixmap& led = Artwork::litLed();
    painter.setOpacity(opacity);
    for (int cell = 0; cell < Cells; ++cell) {
        if (!cells.test(static_cast<std::size_t>(cell)))
            continue;
        const QRect area(cellOrigin(cell), QSize(Artwork::LedSize, Artwork::LedSize));
        if (dirty.intersects(area))
            painter.drawPixmap(area.topLeft(), led);
    }
}

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawPixmap(event->rect(), Artwork::boardBackground(), event->rect());
    const Cells256& lit = preview_ ? *preview_ : shown_;
    paintLeds(painter, event->rect(), next_ & ~previous_ & ~lit, 0.25);
    paintLeds(painter, event->rect(), previous_ & ~lit, 0.45);
    paintLeds(painter, event->rect(), lit, 1.0);
}
