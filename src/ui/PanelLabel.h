#pragma once

#include <QLabel>

// A sunken text panel that keeps its text whole: a text too wide for the panel
// at the label's font is drawn in a smaller size of that font, never clipped;
// one too wide even at the smallest size loses its middle to an ellipsis.
class PanelLabel final : public QLabel {
    Q_OBJECT
public:
    explicit PanelLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
