#pragma once

#include "export/PictureImport.h"

#include <QDialog>
#include <QImage>
#include <vector>

class QCheckBox;
class QLabel;
class QRadioButton;
class QSlider;

// Asks how pictures become frames: the brightness threshold, whether to invert,
// and whether they go after the current image or replace the animation. The
// first picture's result is previewed on a small board as the settings change.
class ImportDialog : public QDialog {
    Q_OBJECT

public:
    enum class Mode { AddAfterCurrent, ReplaceAnimation };

    explicit ImportDialog(const std::vector<QImage>& pictures, QWidget* parent = nullptr);

    int threshold() const;
    bool inverted() const;
    Mode mode() const;
    // Every picture as a frame with the chosen threshold and inversion.
    std::vector<PictureImport::Cells> frames() const;
    // What the preview shows: the first picture as a frame.
    PictureImport::Cells previewFrame() const;

private:
    void updatePreview();

    std::vector<PictureImport::Cells> grey_;
    QSlider* threshold_;
    QLabel* thresholdValue_;
    QCheckBox* invert_;
    QLabel* preview_;
    QRadioButton* addAfterCurrent_;
    QRadioButton* replaceAnimation_;
};
