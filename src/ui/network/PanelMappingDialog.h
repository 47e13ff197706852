#pragma once

#include "port/PanelSetup.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// A network panel's wiring (start corner, rows or columns, serpentine, rotation,
// mirror), its colour, brightness, most frames a second and universe
// synchronisation, with a preview of
// the strip's path over the test picture. Every change is announced at once so
// that the panel can show it; the test picture goes to the panel on request.
class PanelMappingDialog final : public QDialog {
    Q_OBJECT
public:
    PanelMappingDialog(const PanelSetup& setup, QWidget* parent);

    PanelSetup setup() const;
    QCheckBox* testPicture() const { return testPicture_; }

signals:
    void changed(const PanelSetup& setup);
    void testPictureWanted(bool shown);

private:
    void showSetup(const PanelSetup& setup);
    void update();
    void chooseColour();

    PanelColour colour_;
    QComboBox* start_;
    QComboBox* along_;
    QCheckBox* serpentine_;
    QComboBox* rotation_;
    QCheckBox* mirror_;
    QPushButton* colourButton_;
    QSpinBox* brightness_;
    QLabel* current_;
    QSpinBox* maxFps_;
    QCheckBox* sync_;
    QCheckBox* testPicture_;
    QLabel* preview_;
};
