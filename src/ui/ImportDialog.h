#pragma once

#include "pictures/PictureImport.h"

#include <QDialog>
#include <QFutureWatcher>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QRadioButton;
class QSlider;
class QWidget;

// Reads the pictures of a file off the window's thread, showing its progress with
// a Cancel that works at once, then asks how they become frames: how they fit the
// square board, the brightness threshold, whether to invert, and whether they go
// after the current image or replace the animation. The first picture's result is
// previewed on a small board as the settings change. A file that cannot be
// imported closes the dialog as rejected, with the reason in error().
class ImportDialog : public QDialog {
    Q_OBJECT

public:
    enum class Mode { AddAfterCurrent, ReplaceAnimation };

    explicit ImportDialog(const QString& path, QWidget* parent = nullptr);
    ~ImportDialog() override;

    // True until the pictures are in or the reading failed.
    bool reading() const;
    QString error() const;

    int threshold() const;
    bool inverted() const;
    PictureImport::Fit fit() const;
    Mode mode() const;
    // Grey levels from the pictures' shades, in place of the threshold.
    bool keepsShades() const;
    PictureImport::Dither dither() const;
    // Every picture as a frame with the chosen settings; none while reading.
    std::vector<PictureImport::Cells> frames() const;
    // The same, and whether they hold grey levels (FrameStore::cellForLevel):
    // some LED lies between dark and full light.
    PictureImport::Converted converted() const;
    // A GIF's delay of each picture in milliseconds (PictureImport::ImportResult).
    const std::vector<int>& delaysMs() const { return delaysMs_; }
    // What the preview shows: the first picture as a frame.
    PictureImport::Cells previewFrame() const;

private:
    void setUpControls(const QString& fileName);
    void layOut();
    void startReading(const QString& path);
    void showProgressRange(int minimum, int maximum);
    void takePictures();
    void updatePreview();
    PictureImport::Conversion conversion() const;

    QFutureWatcher<PictureImport::ImportResult> reader_;
    bool reading_ = true; // until the result is taken
    std::vector<PictureImport::Reduced> pictures_;
    std::vector<int> delaysMs_;
    QString error_;
    QLabel* preview_;
    QLabel* status_;
    QProgressBar* progress_;
    QWidget* settings_;
    QComboBox* fit_;
    QSlider* threshold_;
    QLabel* thresholdValue_;
    QCheckBox* invert_;
    QCheckBox* shades_;
    QComboBox* dither_;
    QRadioButton* addAfterCurrent_;
    QRadioButton* replaceAnimation_;
    QDialogButtonBox* buttons_;
};
