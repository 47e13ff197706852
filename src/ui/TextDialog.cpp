#include "ui/TextDialog.h"

#include "frames/FrameTransforms.h"

#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "pictures/BoardRendering.h"
#include "ui/PlainText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <optional>

using TextFrames::Direction;

namespace {

constexpr int Side = FrameStore::Side;
constexpr int PreviewScale = 10;
constexpr int PreviewStepMs = 100;
constexpr int TypingPauseMs = 150; // the text is drawn once typing pauses this long
constexpr int FurthestOff = 999;   // how far off the board a stamped text may start

const QString FontFileFilter =
    QStringLiteral("Fonts (*.pcf *.pcf.gz *.bdf *.bdf.gz *.ttf *.otf *.ttc *.otc *.pfa *.pfb "
                   "*.woff *.woff2);;All files (*)");

// The text may name a font file or its directory.
void warn(QWidget* parent, const QString& text) {
    PlainText::warning(parent, QStringLiteral("Attention!"), text);
}

template <typename Control> Control* named(Control* control, const QString& accessibleName) {
    control->setAccessibleName(accessibleName);
    return control;
}

} // namespace

QString applyText(Editor& editor, const TextResult& result, const std::vector<int>& targets) {
    if (result.frames.empty())
        return QStringLiteral("there is no text to add");
    if (result.oneFrame) {
        const FrameStore::Frame& text = result.frames.front();
        if (targets.size() > 1)
            return editor.changeFrames(
                targets,
                [&](const FrameStore::Frame& frame) {
                    return result.replace ? text : FrameTransforms::drawnOver(frame, text);
                },
                result.levels);
        return editor.drawFrame(
            result.replace ? text
                           : FrameTransforms::drawnOver(editor.animation().currentFrame(), text),
            result.levels);
    }
    // The editor's own answer here speaks of pictures; this one is drawFrame's.
    if (editor.playback().playing())
        return QStringLiteral("the animation cannot be changed while it plays");
    if (result.onTop)
        return editor.drawOverFrames(editor.animation().currentImage(), result.frames,
                                     result.levels);
    return editor.importFrames(result.frames, result.replace, result.levels);
}

TextDialog::TextDialog(const FrameStore::Frame& currentImage, Apply apply, QWidget* parent,
                       const QString& fontDirectory)
    : QDialog(parent), currentImage_(currentImage), apply_(std::move(apply)),
      fixedFonts_(FixedFonts::find(fontDirectory)), fontDirectory_(fontDirectory),
      text_(named(new QLineEdit(this), tr("Text"))),
      fontList_(named(new QComboBox(this), tr("Font"))),
      pixelHeight_(named(new QSpinBox(this), tr("Pixel height"))),
      greyEdges_(named(new QCheckBox(tr("&Grey edges"), this), tr("Grey edges"))),
      oneFrame_(named(new QRadioButton(tr("&One frame"), this), tr("One frame"))),
      scrolling_(named(new QRadioButton(tr("&Scrolling"), this), tr("Scrolling animation"))),
      x_(named(new QSpinBox(this), tr("Column of the text's left edge"))),
      y_(named(new QSpinBox(this), tr("Row of the text's top"))),
      direction_(named(new QComboBox(this), tr("Scroll direction"))),
      row_(named(new QSpinBox(this), tr("Row of the scrolling text's top"))),
      add_(new QRadioButton(this)), replace_(new QRadioButton(this)),
      onTop_(named(new QRadioButton(tr("On top of the fra&mes from the current image"), this),
                   tr("On top of the frames from the current image"))),
      preview_(named(new QLabel(this), tr("Preview"))),
      status_(PlainText::label(named(new QLabel(this), tr("Frame count")))),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      timer_(new QTimer(this)), pause_(new QTimer(this)),
      drawing_(new QFutureWatcher<TextStrip>(this)) {
    setWindowTitle(tr("Text"));
    setUpControls();
    layOut();
    fillFonts();
    connectControls();
    setChoices(Choices{});
}

// A drawing still under way gives up.
TextDialog::~TextDialog() {
    ++*wanted_;
}

void TextDialog::setUpControls() {
    text_->setObjectName(QStringLiteral("text"));
    text_->setPlaceholderText(tr("The text to show"));
    fontList_->setObjectName(QStringLiteral("font"));
    pixelHeight_->setObjectName(QStringLiteral("pixelHeight"));
    pixelHeight_->setRange(BitmapFont::MinPixelHeight, BitmapFont::MaxPixelHeight);
    pixelHeight_->setSuffix(tr(" px"));
    pixelHeight_->setToolTip(tr("The height of a line in an outline font, such as TrueType"));
    greyEdges_->setObjectName(QStringLiteral("greyEdges"));
    greyEdges_->setToolTip(tr("An outline font's edges as grey levels, by how much of each LED "
                              "they cover, in place of lit from half covered"));
    oneFrame_->setObjectName(QStringLiteral("oneFrame"));
    scrolling_->setObjectName(QStringLiteral("scrolling"));
    for (QSpinBox* position : {x_, y_, row_})
        position->setRange(-FurthestOff, Side - 1);
    x_->setObjectName(QStringLiteral("x"));
    y_->setObjectName(QStringLiteral("y"));
    row_->setObjectName(QStringLiteral("row"));
    direction_->setObjectName(QStringLiteral("direction"));
    direction_->addItem(tr("Left"), int(Direction::Left));
    direction_->addItem(tr("Right"), int(Direction::Right));
    direction_->addItem(tr("Up"), int(Direction::Up));
    direction_->addItem(tr("Down"), int(Direction::Down));
    direction_->setToolTip(tr("Up and down scroll the text in lines as wide as the board"));
    add_->setObjectName(QStringLiteral("add"));
    replace_->setObjectName(QStringLiteral("replace"));
    onTop_->setObjectName(QStringLiteral("onTop"));
    onTop_->setToolTip(tr("Each frame of the scroll drawn over a frame from the current image "
                          "on, its LEDs lit over what that frame shows; frames are added after "
                          "the last for a longer scroll"));
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(Side * PreviewScale, Side * PreviewScale);
    preview_->setAccessibleDescription(tr("The board as the text will show on it"));
    // Two choices of two, not one of four.
    auto* make = new QButtonGroup(this);
    make->addButton(oneFrame_);
    make->addButton(scrolling_);
    auto* put = new QButtonGroup(this);
    put->addButton(add_);
    put->addButton(replace_);
    put->addButton(onTop_);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    timer_->setInterval(PreviewStepMs);
    pause_->setInterval(TypingPauseMs);
    pause_->setSingleShot(true);
}

void TextDialog::layOut() {
    const auto labelled = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(fontList_, 1);
    fontRow->addWidget(labelled(tr("Pixel &height:"), pixelHeight_));
    fontRow->addWidget(pixelHeight_);
    fontRow->addWidget(greyEdges_);
    auto* frameRow = new QHBoxLayout;
    frameRow->addWidget(oneFrame_, 1);
    frameRow->addWidget(labelled(tr("&X:"), x_));
    frameRow->addWidget(x_);
    frameRow->addWidget(labelled(tr("&Y:"), y_));
    frameRow->addWidget(y_);
    auto* scrollRow = new QHBoxLayout;
    scrollRow->addWidget(scrolling_, 1);
    scrollRow->addWidget(labelled(tr("&Direction:"), direction_));
    scrollRow->addWidget(direction_);
    scrollRow->addWidget(labelled(tr("Ro&w:"), row_));
    scrollRow->addWidget(row_);

    auto* form = new QFormLayout;
    form->addRow(labelled(tr("&Text:"), text_), text_);
    form->addRow(labelled(tr("&Font:"), fontList_), fontRow);
    form->addRow(tr("Make:"), frameRow);
    form->addRow(QString(), scrollRow);
    form->addRow(tr("Put:"), add_);
    form->addRow(QString(), replace_);
    form->addRow(QString(), onTop_);

    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(preview_);
    previewColumn->addWidget(status_);
    previewColumn->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(previewColumn);
    columns->addSpacing(12);
    columns->addLayout(form, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons_);
}

void TextDialog::connectControls() {
    connect(buttons_, &QDialogButtonBox::accepted, this, &TextDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(timer_, &QTimer::timeout, this, &TextDialog::stepPreview);
    connect(pause_, &QTimer::timeout, this, &TextDialog::startDrawing);
    connect(drawing_, &QFutureWatcher<TextStrip>::finished, this, &TextDialog::drawingFinished);
    connect(text_, &QLineEdit::textChanged, this, &TextDialog::settingsChanged);
    connect(fontList_, &QComboBox::activated, this, &TextDialog::fontChosen);
    connect(pixelHeight_, &QSpinBox::valueChanged, this, &TextDialog::pixelHeightChanged);
    connect(oneFrame_, &QRadioButton::toggled, this, &TextDialog::modeChanged);
    connect(direction_, &QComboBox::currentIndexChanged, this, &TextDialog::modeChanged);
    for (QSpinBox* position : {x_, y_, row_})
        connect(position, &QSpinBox::valueChanged, this, &TextDialog::placementChanged);
    connect(replace_, &QRadioButton::toggled, this, &TextDialog::placementChanged);
}

// The fixed fonts, then the entry that asks for a file.
void TextDialog::fillFonts() {
    for (const FixedFonts::Entry& entry : fixedFonts_)
        fontList_->addItem(entry.name, entry.path);
    fontList_->addItem(tr("Other font file\u2026"));
}

void TextDialog::fontChosen(int index) {
    const bool other = index == fontList_->count() - 1;
    QString why;
    if (other) {
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Choose a font"), QStringLiteral("/usr/share/fonts"), FontFileFilter);
        why = path.isEmpty() ? QString() : useFontFile(path);
    } else {
        why = openFont(fontList_->itemData(index).toString());
        if (why.isEmpty())
            fontIndex_ = index;
    }
    {
        const QSignalBlocker blocker(fontList_);
        fontList_->setCurrentIndex(fontIndex_);
    }
    if (!why.isEmpty())
        warn(this, why);
    settingsChanged();
}

QString TextDialog::useFontFile(const QString& path) {
    if (const QString why = openFont(path); !why.isEmpty())
        return why;
    int index = fontList_->findData(path);
    if (index < 0) {
        index = fontList_->count() - 1;
        fontList_->insertItem(index, font_.name(), path);
        fontList_->setItemData(index, PlainText::toolTip(path), Qt::ToolTipRole);
    }
    fontIndex_ = index;
    const QSignalBlocker blocker(fontList_);
    fontList_->setCurrentIndex(index);
    settingsChanged();
    return {};
}

// The font in use changes only when the new one could be read.
QString TextDialog::openFont(const QString& path) {
    BitmapFont font;
    if (const QString why = font.open(path, chosenHeight_); !why.isEmpty())
        return why;
    useFont(std::move(font), path);
    return {};
}

void TextDialog::useFont(BitmapFont font, const QString& path) {
    font_ = std::move(font);
    fontPath_ = path;
    // A font of one size shows its own height.
    pixelHeight_->setEnabled(font_.sizeChoosable());
    greyEdges_->setEnabled(font_.sizeChoosable()); // a bitmap font has no edges to grade
    {
        const QSignalBlocker blocker(pixelHeight_);
        pixelHeight_->setValue(font_.sizeChoosable() ? chosenHeight_ : font_.height());
    }
    centreRows();
}

// The font file read before is drawn at the new height; it is not read again.
void TextDialog::pixelHeightChanged() {
    chosenHeight_ = pixelHeight_->value();
    if (!font_.isOpen())
        return;
    BitmapFont font;
    if (const QString why = font.read(font_.fileBytes(), fontPath_, chosenHeight_); !why.isEmpty())
        warn(this, why);
    else
        useFont(std::move(font), fontPath_);
    settingsChanged();
}

// A new font's line is placed in the middle of the board.
void TextDialog::centreRows() {
    const int top = std::max(0, (Side - font_.height()) / 2);
    const QSignalBlocker blockY(y_);
    const QSignalBlocker blockRow(row_);
    y_->setValue(top);
    row_->setValue(top);
}

void TextDialog::modeChanged() {
    const bool one = oneFrame_->isChecked();
    x_->setEnabled(one);
    y_->setEnabled(one);
    direction_->setEnabled(!one);
    row_->setEnabled(!one && !scrollsVertically());
    const bool several = one && chosenImages_ > 1;
    add_->setText(several ? tr("&Add to the %1 chosen images").arg(chosenImages_)
                  : one   ? tr("&Add to the current image")
                          : tr("&Add after the current image"));
    replace_->setText(several ? tr("&Replace the %1 chosen images").arg(chosenImages_)
                      : one   ? tr("&Replace the current image")
                              : tr("&Replace the animation"));
    // One frame is drawn over what it is added to in any case.
    onTop_->setEnabled(!one);
    if (one && onTop_->isChecked())
        add_->setChecked(true);
    add_->setAccessibleName(add_->text().remove(QLatin1Char('&')));
    replace_->setAccessibleName(replace_->text().remove(QLatin1Char('&')));
    settingsChanged();
}

// The text, its font or what is made of it changed: it is drawn again once the
// typing pauses. OK (and Enter right after the last key) waits for that drawing.
void TextDialog::settingsChanged() {
    ++*wanted_;
    drawn_ = false;
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
    pause_->start();
}

void TextDialog::startDrawing() {
    pause_->stop();
    const int generation = *wanted_;
    started_ = generation;
    const std::shared_ptr<const std::atomic<int>> wanted = wanted_;
    const BitmapFont::Stop stale = [wanted, generation] { return *wanted != generation; };
    const Coverage coverage =
        greyEdges_->isEnabled() && greyEdges_->isChecked() ? Coverage::Levels : Coverage::Threshold;
    drawing_->setFuture(QtConcurrent::run(&TextDialog::draw, font_, text_->text(),
                                          !oneFrame_->isChecked(), scrollsVertically(), stale,
                                          coverage));
}

// Runs on a worker thread. A scroll longer than an animation holds is refused
// from the text's size, before anything is drawn.
TextStrip TextDialog::draw(const BitmapFont& font, const QString& text, bool scroll, bool inLines,
                           const BitmapFont::Stop& stop, Coverage coverage) {
    if (text.isEmpty() || !font.isOpen())
        return {};
    if (scroll) {
        const TextExtent size = inLines ? font.linesExtent(text, Side) : font.extent(text);
        const qint64 frames = (inLines ? size.height : size.width) + Side - 1;
        if (frames > LedFormat::MaxFrames) {
            TextStrip refused;
            refused.refusal = tooManyFrames(frames);
            return refused;
        }
    }
    return inLines ? font.renderLines(text, Side, stop, coverage)
                   : font.render(text, stop, coverage);
}

// A drawing for settings that have changed since it started is dropped: the
// drawing for the new ones is waiting for a pause in the typing, or under way.
// The result is taken only once it is there, never waited for.
void TextDialog::drawingFinished() {
    if (started_ != *wanted_ || !drawing_->isFinished())
        return;
    strip_ = drawing_->result();
    drawn_ = true;
    previewIndex_ = 0;
    showDrawing();
    if (acceptWhenDrawn_) {
        acceptWhenDrawn_ = false;
        accept();
    }
}

void TextDialog::showDrawing() {
    const QString why = problem();
    const int count = frameCount();
    status_->setText(!why.isEmpty() ? why
                     : count == 1   ? tr("1 frame")
                                    : tr("%1 frames").arg(count));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(why.isEmpty());
    if (why.isEmpty() && !oneFrame_->isChecked())
        timer_->start();
    else
        timer_->stop();
    showPreview();
}

void TextDialog::placementChanged() {
    previewIndex_ = 0;
    showPreview();
}

Direction TextDialog::direction() const {
    return static_cast<Direction>(direction_->currentData().toInt());
}

bool TextDialog::scrollsVertically() const {
    return !oneFrame_->isChecked() &&
           (direction() == Direction::Up || direction() == Direction::Down);
}

QString TextDialog::problem() const {
    if (text_->text().isEmpty())
        return tr("Type the text to show.");
    if (!font_.isOpen())
        return fixedFonts_.empty() ? tr("There are no fixed fonts in %1 (Debian package "
                                        "xfonts-base): choose a font file.")
                                         .arg(fontDirectory_)
                                   : tr("Choose a font.");
    if (!drawn_)
        return tr("The text is being drawn\u2026");
    if (!strip_.refusal.isEmpty())
        return strip_.refusal;
    if (strip_.width == 0)
        return tr("The font has nothing to draw for this text.");
    if (frameCount() > LedFormat::MaxFrames)
        return tooManyFrames(frameCount());
    return {};
}

QString TextDialog::tooManyFrames(qint64 frames) {
    return tr("The scroll takes %1 frames; an animation holds at most %2.")
        .arg(frames)
        .arg(LedFormat::MaxFrames);
}

int TextDialog::frameCount() const {
    if (oneFrame_->isChecked())
        return strip_.width > 0 ? 1 : 0;
    return TextFrames::scrollFrameCount(strip_, direction());
}

TextResult TextDialog::textResult() const {
    TextResult made;
    made.oneFrame = oneFrame_->isChecked();
    made.replace = replace_->isChecked();
    made.onTop = !made.oneFrame && onTop_->isChecked();
    made.levels = strip_.hasLevels;
    if (!problem().isEmpty())
        return made;
    if (made.oneFrame)
        made.frames.push_back(TextFrames::stamp(strip_, x_->value(), y_->value()));
    else
        made.frames = TextFrames::scroll(
            strip_, direction(), scrollsVertically() ? (Side - strip_.width) / 2 : row_->value());
    return made;
}

FrameStore::Frame TextDialog::previewFrame() const {
    if (oneFrame_->isChecked()) {
        const FrameStore::Frame text = TextFrames::stamp(strip_, x_->value(), y_->value());
        return replace_->isChecked() ? text : FrameTransforms::drawnOver(currentImage_, text);
    }
    const int count = frameCount();
    if (count == 0)
        return {};
    const int across = scrollsVertically() ? (Side - strip_.width) / 2 : row_->value();
    return TextFrames::scrollFrame(strip_, direction(), across, previewIndex_ % count);
}

void TextDialog::showPreview() {
    preview_->setPixmap(QPixmap::fromImage(BoardRendering::renderFrame(
        previewFrame(), PreviewScale, strip_.hasLevels || greyEdges_->isChecked())));
}

void TextDialog::stepPreview() {
    const int count = frameCount();
    previewIndex_ = count > 0 ? (previewIndex_ + 1) % count : 0;
    showPreview();
}

void TextDialog::accept() {
    if (!drawn_) {
        acceptWhenDrawn_ = true;
        if (started_ != *wanted_)
            startDrawing();
        return;
    }
    if (const QString why = problem(); !why.isEmpty()) {
        warn(this, why);
        return;
    }
    if (const QString why = apply_(textResult()); !why.isEmpty()) {
        warn(this, tr("The text could not be added:\n%1").arg(why));
        return;
    }
    QDialog::accept();
}

TextDialog::Choices TextDialog::choices() const {
    Choices c;
    c.text = text_->text();
    const bool fixed = fontIndex_ >= 0 && fontIndex_ < int(fixedFonts_.size());
    c.font = fixed ? fontList_->itemText(fontIndex_) : QString();
    c.fontFile = fixed ? QString() : fontPath_;
    c.pixelHeight = chosenHeight_;
    c.oneFrame = oneFrame_->isChecked();
    c.direction = direction();
    c.x = x_->value();
    c.y = y_->value();
    c.row = row_->value();
    c.replace = replace_->isChecked();
    c.onTop = onTop_->isChecked();
    return c;
}

// A font that can no longer be read gives way to 5×7, or the first fixed font.
void TextDialog::setChoices(const Choices& c) {
    text_->setText(c.text);
    chosenHeight_ = c.pixelHeight;
    const FixedFonts::Entry* fixed = FixedFonts::named(fixedFonts_, c.font);
    bool fontRead = false;
    if (fixed)
        fontRead = openFont(fixed->path).isEmpty();
    else if (!c.fontFile.isEmpty())
        fontRead = useFontFile(c.fontFile).isEmpty();
    if (!fontRead && !fixedFonts_.empty()) {
        fixed = FixedFonts::named(fixedFonts_, QStringLiteral("5\u00d77"));
        fixed = fixed ? fixed : &fixedFonts_.front();
        fontRead = openFont(fixed->path).isEmpty();
    }
    if (fixed && fontRead) {
        fontIndex_ = int(fixed - fixedFonts_.data());
        const QSignalBlocker blocker(fontList_);
        fontList_->setCurrentIndex(fontIndex_);
    }
    (c.oneFrame ? oneFrame_ : scrolling_)->setChecked(true);
    direction_->setCurrentIndex(direction_->findData(int(c.direction)));
    x_->setValue(c.x);
    y_->setValue(c.y);
    row_->setValue(c.row);
    (c.onTop ? onTop_ : c.replace ? replace_ : add_)->setChecked(true);
    modeChanged();
    text_->setFocus();
}

void TextDialog::setChosenImageCount(int count) {
    chosenImages_ = count;
    modeChanged();
}

void showTextDialog(QWidget* parent, Editor& editor, const std::vector<int>& targets) {
    static std::optional<TextDialog::Choices> kept;
    TextDialog dialog(
        editor.animation().currentFrame(),
        [&editor, &targets](const TextResult& result) {
            return applyText(editor, result, targets);
        },
        parent);
    if (kept)
        dialog.setChoices(*kept);
    dialog.setChosenImageCount(std::max(1, int(targets.size())));
    dialog.exec();
    kept = dialog.choices();
}
