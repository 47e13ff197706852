#pragma once

#include "frames/FrameStore.h"
#include "text/BitmapFont.h"
#include "text/FixedFonts.h"
#include "text/TextFrames.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Editor;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTimer;
template <typename T> class QFutureWatcher;

// What the text dialog makes: one frame, or the frames of a scroll.
struct TextResult {
    // A scroll replaces the animation instead of going after the current image;
    // one frame replaces the current image instead of being drawn over it.
    bool replace = false;
    // A scroll drawn over the frames from the current image on, longer ones
    // going on after the last frame; it neither replaces nor goes after.
    bool onTop = false;
    bool oneFrame = true;
    bool levels = false; // the frames hold grey levels (an outline font's edges)
    std::vector<FrameStore::Frame> frames;
};

// Puts the result into the animation as one undo step: one frame through
// drawFrame (over the current image unless it replaces it), or over each of
// `targets` when there are several; a scroll through importFrames, within the
// limits of Import, or on top of the frames through drawOverFrames. Empty when
// done, else the reason as the editor words its refusals.
QString applyText(Editor& editor, const TextResult& result, const std::vector<int>& targets = {});

// Text for the board: the text, its font (a fixed X font, or any font file, an
// outline font at a chosen pixel height) and what to make of it, one frame
// placed at a column and row, or a scroll in one of four directions added after
// the current image or replacing the animation. A small board previews the frame
// or plays the scroll, with the number of frames it takes. OK hands the result
// to `apply`; when that refuses, the reason is shown and the dialog stays open
// with everything as it was.
//
// The text is drawn on a worker thread once typing pauses, never while a key is
// handled; a drawing for settings that have changed since is given up or
// dropped. OK, or Enter right after the last key, waits for the drawing of the
// settings shown without blocking, and is taken away only while that drawing is refused.
class TextDialog : public QDialog {
    Q_OBJECT

public:
    using Apply = std::function<QString(const TextResult&)>;

    // What the user chose, kept from one opening to the next.
    struct Choices {
        QString text;
        QString font;     // a fixed font's name, or empty for `fontFile`
        QString fontFile; // a font file picked with "Other font file…"
        int pixelHeight = BitmapFont::DefaultPixelHeight;
        bool oneFrame = false;
        TextFrames::Direction direction = TextFrames::Direction::Left;
        int x = 0;
        int y = 4;
        int row = 4;
        bool replace = false;
        bool onTop = false; // a scroll drawn over the frames there
    };

    // `currentImage` is what one frame is drawn over in the preview.
    TextDialog(const FrameStore::Frame& currentImage, Apply apply, QWidget* parent = nullptr,
               const QString& fontDirectory = QString::fromLatin1(FixedFonts::DefaultDirectory));
    ~TextDialog() override;

    Choices choices() const;
    void setChoices(const Choices& choices);
    // One frame goes onto `count` images chosen in the strip, not only the current one.
    void setChosenImageCount(int count);

    // Reads a font file to use; empty when done, else why not, and the font in
    // use stays as it was.
    QString useFontFile(const QString& path);

    // True when the text has been drawn for the settings as they are now.
    bool drawn() const { return drawn_; }
    // Why no result can be made from the settings now (no text, no font, not
    // drawn yet, too large, more frames than an animation holds); empty when one
    // can.
    QString problem() const;
    TextResult textResult() const;
    int frameCount() const;
    // The frame the preview shows now; until the text is drawn, that of the
    // drawing before.
    FrameStore::Frame previewFrame() const;

    void accept() override;

private:
    static TextStrip draw(const BitmapFont& font, const QString& text, bool scroll, bool inLines,
                          const BitmapFont::Stop& stop, Coverage coverage);
    static QString tooManyFrames(qint64 frames);

    void setUpControls();
    void layOut();
    void connectControls();
    void fillFonts();
    void fontChosen(int index);
    QString openFont(const QString& path);
    void useFont(BitmapFont font, const QString& path);
    void pixelHeightChanged();
    void modeChanged();
    void settingsChanged();
    void startDrawing();
    void drawingFinished();
    void showDrawing();
    void placementChanged();
    void showPreview();
    void stepPreview();
    TextFrames::Direction direction() const;
    bool scrollsVertically() const;
    void centreRows();

    FrameStore::Frame currentImage_;
    Apply apply_;
    std::vector<FixedFonts::Entry> fixedFonts_;
    QString fontDirectory_;
    BitmapFont font_;
    QString fontPath_;
    int chosenHeight_ = BitmapFont::DefaultPixelHeight; // for fonts of any size
    int fontIndex_ = -1;                                // the font list's entry of the font in use
    TextStrip strip_;
    int previewIndex_ = 0;
    // The settings' generation, counted up at each change; a drawing that sees it
    // change gives up.
    std::shared_ptr<std::atomic<int>> wanted_ = std::make_shared<std::atomic<int>>(0);
    int started_ = -1; // the generation of the drawing under way or last made
    bool drawn_ = false;
    bool acceptWhenDrawn_ = false;

    QLineEdit* text_;
    QComboBox* fontList_;
    QSpinBox* pixelHeight_;
    QCheckBox* greyEdges_;
    QRadioButton* oneFrame_;
    QRadioButton* scrolling_;
    QSpinBox* x_;
    QSpinBox* y_;
    QComboBox* direction_;
    QSpinBox* row_;
    QRadioButton* add_;
    QRadioButton* replace_;
    QRadioButton* onTop_;
    int chosenImages_ = 1;
    QLabel* preview_;
    QLabel* status_;
    QDialogButtonBox* buttons_;
    QTimer* timer_;
    QTimer* pause_;
    QFutureWatcher<TextStrip>* drawing_;
};

// Opens the dialog over `parent` for the editor's current image and applies
// what it makes, one frame to each of `targets` (the current image when empty);
// the choices are kept for the next opening.
void showTextDialog(QWidget* parent, Editor& editor, const std::vector<int>& targets = {});
