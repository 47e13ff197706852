#include "ui/MouseSurface.h"

#include "ui/Twips.h"

#include <QMouseEvent>

MouseSurface::MouseSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
}

void MouseSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position() * Twips::PerPixel;
    emit moved(event->buttons(), event->modifiers(), static_cast<float>(p.x()),
               static_cast<float>(p.y()));
}

void MouseSurface::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position() * Twips::PerPixel;
    emit released(event->button(), event->modifiers(), static_cast<float>(p.x()),
                  static_cast<float>(p.y()));
}
