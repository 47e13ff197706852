#include "ui/PanelLabel.h"

#include "ui/PlainText.h"

#include <QPainter>

PanelLabel::PanelLabel(QWidget* parent) : QLabel(parent) {
    PlainText::label(this);
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void PanelLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    QFont font = this->font();
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text()) > area.width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::WindowText));
    const QString shown = QFontMetrics(font).elidedText(text(), Qt::ElideMiddle, area.width());
    painter.drawText(area, Qt::AlignCenter, shown);
}
