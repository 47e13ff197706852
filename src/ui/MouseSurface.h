#pragma once

#include <QWidget>

// The transparent surface over the board cells that receives every mouse event
// on the board, over lit and dark cells alike. Positions are reported in twips
// (15 per pixel) from the surface's top-left corner. It keeps the mouse from a
// press until the release, so moves may then lie outside it.
class MouseSurface final : public QWidget {
    Q_OBJECT
public:
    explicit MouseSurface(QWidget* parent = nullptr);

signals:
    void moved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, float xTwips,
               float yTwips);
    void released(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float xTwips,
                  float yTwips);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
