#include "ui/MouseSurface.h"

#include "frames/FrameStore.h"
#include "frames/HitTest.h"
#include "ui/Accessibility.h"
#include "ui/BoardView.h"
#include "ui/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <optional>

MouseSurface::MouseSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

namespace {

constexpr int Side = FrameStore::Side;
constexpr int CellPixels = 16;

// The key that moves the cursor, or nothing.
std::optional<QPoint> step(int key) {
    switch (key) {
    case Qt::Key_Left:
        return QPoint(-1, 0);
    case Qt::Key_Right:
        return QPoint(1, 0);
    case Qt::Key_Up:
        return QPoint(0, -1);
    case Qt::Key_Down:
        return QPoint(0, 1);
    default:
        return std::nullopt;
    }
}

bool toggles(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void MouseSurface::setCursorCell(int cell) {
    cursorCell_ = std::clamp(cell, 0, FrameStore::CellsPerFrame - 1);
    update();
    Accessibility::cursorMoved(this, cursorCell_);
    emit cursorMoved(cursorCell_);
}

void MouseSurface::setBoard(const BoardView* board) {
    board_ = board;
    connect(board, &BoardView::cellChanged, this,
            [this](int cell) { Accessibility::cellChanged(this, cell); });
}

// Plain arrows, Space and Enter belong to the board while it has focus, Shift
// too (with a drawing tool it fills rectangles and ellipses); Space not while
// it is left to the window.
bool MouseSurface::takes(const QKeyEvent& key) const {
    if (key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    if (key.key() == Qt::Key_Space && leaveSpace_ && leaveSpace_())
        return false;
    if (step(key.key()) && leaveArrows_ && leaveArrows_())
        return false;
    return step(key.key()) || toggles(key.key());
}

// The board's keys come before any window shortcut.
bool MouseSurface::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && takes(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void MouseSurface::keyPressEvent(QKeyEvent* event) {
    if (!takes(*event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (const std::optional<QPoint> d = step(event->key())) {
        const int column = std::clamp(cursorCell_ % Side + d->x(), 0, Side - 1);
        const int row = std::clamp(cursorCell_ / Side + d->y(), 0, Side - 1);
        setCursorCell(row * Side + column);
    } else if (!event->isAutoRepeat()) {
        emit toggleRequested(cursorCell_);
    }
}

void MouseSurface::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return;
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), 2);
    painter.setPen(pen);
    const QRect cell((cursorCell_ % Side) * CellPixels, (cursorCell_ / Side) * CellPixels,
                     CellPixels, CellPixels);
    painter.drawRect(cell.adjusted(1, 1, -1, -1));
}

void MouseSurface::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    // The focus on the cell is told after Qt has told the focus on the board.
    QMetaObject::invokeMethod(
        this, [this] { Accessibility::cursorMoved(this, cursorCell_); }, Qt::QueuedConnection);
}

void MouseSurface::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void MouseSurface::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position() * Twips::PerPixel;
    emit pressed(event->button(), event->modifiers(), static_cast<float>(p.x()),
                 static_cast<float>(p.y()));
}

void MouseSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position() * Twips::PerPixel;
    emit moved(event->buttons(), event->modifiers(), static_cast<float>(p.x()),
               static_cast<float>(p.y()));
}

// The cursor follows the click, so that Space then toggles the LED clicked.
void MouseSurface::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position() * Twips::PerPixel;
    const auto x = static_cast<float>(p.x());
    const auto y = static_cast<float>(p.y());
    emit released(event->button(), event->modifiers(), x, y);
    setCursorCell(HitTest::cellAt(x, y));
}
