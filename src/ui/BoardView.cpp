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

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawPixmap(event->rect(), Artwork::boardBackground(), event->rect());
    const QPixmap& led = Artwork::litLed();
    for (int cell = 0; cell < Cells; ++cell) {
        if (!shown_.test(static_cast<std::size_t>(cell)))
            continue;
        const QRect area(cellOrigin(cell), QSize(Artwork::LedSize, Artwork::LedSize));
        if (event->rect().intersects(area))
            painter.drawPixmap(area.topLeft(), led);
    }
}
