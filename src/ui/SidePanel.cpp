#include "ui/SidePanel.h"

#include "ui/PanelLabel.h"
#include "ui/PlainText.h"

#include "frames/FrameStore.h"
#include "port/MatrixOutput.h"
#include "port/PanelSetup.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

const std::array<SidePanel::ToolEntry, 9>& SidePanel::tools() {
    static const std::array<ToolEntry, 9> entries{{
        {Tool::Toggle, "Click", QKeySequence(Qt::Key_C), "Click: a click toggles one LED"},
        {Tool::Pen, "Pen", QKeySequence(Qt::Key_D), "Pen: drag to draw"},
        {Tool::Line, "Line", QKeySequence(Qt::Key_L), "Line: drag from end to end"},
        {Tool::Rectangle, "Box", QKeySequence(Qt::Key_R),
         "Rectangle: drag from corner to corner, with Shift filled"},
        {Tool::Ellipse, "Ellipse", QKeySequence(Qt::Key_E),
         "Ellipse: drag from corner to corner, with Shift filled"},
        {Tool::Fill, "Fill", QKeySequence(Qt::Key_G),
         "Fill: the area of like LEDs painted the level (on/off: turned over)"},
        {Tool::Move, "Move", QKeySequence(Qt::Key_M), "Move: drag the picture"},
        {Tool::Select, "Select", QKeySequence(Qt::Key_S),
         "Select: drag a rectangle (Shift adds, Alt or Ctrl takes away); drag inside it to move "
         "its LEDs"},
        {Tool::Wand, "Wand", QKeySequence(Qt::Key_W),
         "Wand: select the area of like LEDs clicked (Shift adds, Alt or Ctrl takes away)"},
    }};
    return entries;
}

SidePanel::SidePanel(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Tools and frames"));
    // The chosen tool stands out from the others.
    setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid #8c8c8c; border-radius: 3px; padding: 2px 4px;"
        " background: #e4e4e4; }"
        " QToolButton:hover, QToolButton:focus { border-color: #3c78d8; }"
        " QToolButton:checked { background: #3c78d8; color: white; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 6);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(createTools());
    auto* frames = new QGroupBox(QStringLiteral("Frames"), this);
    framesBox_ = frames;
    stripLayout_ = new QVBoxLayout(frames);
    stripLayout_->setContentsMargins(4, 4, 4, 4);
    // The tools fill their column, and the window's height is fixed: the
    // stroke options go under the frame strip, which can spare the room.
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(2);
    right->addWidget(frames, 1);
    addStrokeOptions(right);
    row->addLayout(right, 1);
    layout->addLayout(row, 1);
    layout->addLayout(createLevelAndPlayMode());
    output_ = new PanelLabel(this); // plain text: the name comes from the command line
    output_->setAccessibleDescription(
        QStringLiteral("Where the frames go, and whether LPT on runs"));
    output_->setMinimumHeight(22);
    layout->addWidget(output_);
    layout->addLayout(createBrightness());
    showOutput({}, false);
}

namespace {
const QString BrightnessTip =
    QStringLiteral("How bright the board is lit, 5 to 100 %; kept for this output");
const QString MatrixLevelsTip = QStringLiteral(
    "How many grey levels the matrix shows. 8 levels (three bit planes): the 16 levels drawn "
    "light in pairs (14 and 15 alike), the top level lit 86 % of its row's time, about 168 "
    "cycles of planes a second. 16 levels (four planes): every level its own light, the top "
    "level lit 84 % of its row's time at about 153 cycles a second, and the least level held "
    "only 17 µs, so it is the least even. Kept for every output");
} // namespace

QLayout* SidePanel::createBrightness() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Brightness"), this);
    brightness_ = new QSpinBox(this);
    label->setBuddy(brightness_);
    brightness_->setRange(MatrixOutput::MinBrightness, MatrixOutput::MaxBrightness);
    brightness_->setValue(MatrixOutput::MaxBrightness);
    brightness_->setSuffix(QStringLiteral(" %"));
    brightness_->setSingleStep(5);
    brightness_->setAccelerated(true);
    brightness_->setKeyboardTracking(false); // typing "50" sets 50, not 5 first
    brightness_->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    brightness_->setFocusPolicy(Qt::StrongFocus);
    brightness_->setAccessibleName(QStringLiteral("Brightness"));
    brightness_->setAccessibleDescription(BrightnessTip);
    brightness_->setToolTip(BrightnessTip);
    connect(brightness_, &QSpinBox::valueChanged, this, &SidePanel::brightnessChanged);
    auto* levelsLabel = new QLabel(QStringLiteral("Shows"), this);
    levelsLabel->setBuddy(createMatrixLevels());
    row->addWidget(label);
    row->addWidget(brightness_, 1);
    row->addSpacing(8);
    row->addWidget(levelsLabel);
    row->addWidget(matrixLevels_, 1);
    return row;
}

QComboBox* SidePanel::createMatrixLevels() {
    matrixLevels_ = new QComboBox(this);
    for (int levels : {FewerMatrixLevels, MoreMatrixLevels})
        matrixLevels_->addItem(QStringLiteral("%1 levels").arg(levels), levels);
    matrixLevels_->setFocusPolicy(Qt::StrongFocus);
    matrixLevels_->setAccessibleName(QStringLiteral("Grey levels the matrix shows"));
    matrixLevels_->setAccessibleDescription(MatrixLevelsTip);
    matrixLevels_->setToolTip(MatrixLevelsTip);
    connect(matrixLevels_, &QComboBox::activated, this,
            [this] { emit matrixLevelsChanged(matrixLevels()); });
    return matrixLevels_;
}

void SidePanel::showMatrixLevels(int levels) {
    const int index = matrixLevels_->findData(levels);
    if (index >= 0)
        matrixLevels_->setCurrentIndex(index);
}

int SidePanel::matrixLevels() const {
    return matrixLevels_->currentData().toInt();
}

void SidePanel::offerMatrixLevels(bool offered, const QString& why) {
    matrixLevels_->setEnabled(offered);
    matrixLevels_->setToolTip(offered ? MatrixLevelsTip : why);
    matrixLevels_->setAccessibleDescription(offered ? MatrixLevelsTip : why);
}

const std::array<const char*, 3>& SidePanel::playModeNames() {
    static const std::array<const char*, 3> names{"Loop", "Ping-pong", "Once"};
    return names;
}

QLayout* SidePanel::createLevelAndPlayMode() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    auto* levelLabel = new QLabel(QStringLiteral("Level"), this);
    level_ = new QSpinBox(this);
    levelLabel->setBuddy(level_);
    level_->setRange(0, FrameStore::MaxLevel);
    level_->setValue(FrameStore::MaxLevel);
    level_->setKeyboardTracking(false);
    level_->setFocusPolicy(Qt::StrongFocus);
    const QString levelTip = QStringLiteral(
        "The level the tools draw with, 0 (dark) to 15 (full light): below 15 the animation "
        "takes grey levels (comma and full stop step it)");
    level_->setToolTip(levelTip);
    level_->setAccessibleName(QStringLiteral("Drawing level"));
    level_->setAccessibleDescription(levelTip);
    connect(level_, &QSpinBox::valueChanged, this, &SidePanel::levelChosen);
    auto* playLabel = new QLabel(QStringLiteral("Play"), this);
    playMode_ = new QComboBox(this);
    playLabel->setBuddy(playMode_);
    for (const char* name : playModeNames())
        playMode_->addItem(QString::fromUtf8(name));
    playMode_->setFocusPolicy(Qt::StrongFocus);
    const QString playTip =
        QStringLiteral("How the animation plays: over and over, forth and back, or once (K)");
    playMode_->setToolTip(playTip);
    playMode_->setAccessibleName(QStringLiteral("Play mode"));
    playMode_->setAccessibleDescription(playTip);
    connect(playMode_, &QComboBox::activated, this, &SidePanel::playModeChosen);
    row->addWidget(levelLabel);
    row->addWidget(level_);
    row->addSpacing(8);
    row->addWidget(playLabel);
    row->addWidget(playMode_, 1);
    return row;
}

void SidePanel::showLevel(int level) {
    const QSignalBlocker quiet(level_);
    level_->setValue(level);
}

int SidePanel::level() const {
    return level_->value();
}

void SidePanel::showPlayMode(int mode) {
    playMode_->setCurrentIndex(mode);
}

void SidePanel::showBrightness(int percent) {
    const QSignalBlocker quiet(brightness_);
    brightness_->setValue(percent);
}

int SidePanel::brightness() const {
    return brightness_->value();
}

void SidePanel::offerBrightness(bool offered, const QString& why) {
    brightness_->setEnabled(offered);
    brightness_->setToolTip(offered ? BrightnessTip : why);
}

void SidePanel::showOutput(const QString& name, bool on) {
    const QString state = on ? QStringLiteral("on") : QStringLiteral("off");
    output_->setText(name.isEmpty() ? QStringLiteral("Output: %1").arg(state)
                                    : QStringLiteral("Output: %1, %2").arg(name, state));
    output_->setToolTip(PlainText::toolTip(name)); // the whole name when it is cut short
}

QGroupBox* SidePanel::createTools() {
    auto* box = new QGroupBox(QStringLiteral("Draw"), this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(2);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    column->addLayout(grid);
    toolGroup_ = new QButtonGroup(this);
    for (const ToolEntry& entry : tools()) {
        auto* b = new QToolButton(box);
        const QString key = entry.key.toString(QKeySequence::NativeText);
        b->setText(QString::fromUtf8(entry.name));
        b->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(entry.what), key));
        b->setAccessibleName(QString::fromUtf8(entry.what).section(u':', 0, 0) +
                             QStringLiteral(" tool"));
        b->setAccessibleDescription(QString::fromUtf8(entry.what));
        b->setCheckable(true);
        b->setMinimumWidth(54);
        b->setFocusPolicy(Qt::TabFocus);
        const int at = static_cast<int>(toolGroup_->buttons().size());
        toolGroup_->addButton(b, static_cast<int>(entry.tool));
        grid->addWidget(b, at / 2, at % 2);
    }
    toolButton(Tool::Toggle)->setChecked(true);
    connect(toolGroup_, &QButtonGroup::idClicked, this,
            [this](int id) { chooseTool(static_cast<Tool>(id)); });

    text_ = new QToolButton(box);
    text_->setText(QStringLiteral("Text…"));
    text_->setToolTip(QStringLiteral("Text: letters on the frame, or scrolling (T)"));
    text_->setAccessibleName(QStringLiteral("Text"));
    text_->setFocusPolicy(Qt::TabFocus);
    connect(text_, &QToolButton::clicked, this, &SidePanel::textRequested);
    column->addWidget(text_);
    toolColumn_ = column;
#ifndef QUENTARO_HAVE_TEXT
    text_->hide(); // built without FreeType
#endif

    previous_ = new QCheckBox(QStringLiteral("Onion skin"), box);
    previous_->setToolTip(QStringLiteral("The previous image shown faintly on the board (O)"));
    next_ = new QCheckBox(QStringLiteral("and next"), box);
    previous_->setAccessibleName(QStringLiteral("Onion skin: the previous image"));
    next_->setAccessibleName(QStringLiteral("Onion skin: the next image too"));
    next_->setToolTip(QStringLiteral("The next image shown faintly too (Shift+O)"));
    for (QCheckBox* c : {previous_, next_}) {
        c->setFocusPolicy(Qt::TabFocus);
        connect(c, &QCheckBox::toggled, this, &SidePanel::onionSkinChanged);
        column->addWidget(c);
    }
    column->addStretch(1);
    return box;
}

namespace {
const QString MirrorKey = QStringLiteral("editor/mirror");
const QString PixelPerfectKey = QStringLiteral("editor/pixelPerfect");
const QString AxisColumnKey = QStringLiteral("editor/mirrorAxisColumn");
const QString AxisRowKey = QStringLiteral("editor/mirrorAxisRow");

// An axis through a column or row of the board, or between two of them.
bool onBoardAxis(int doubled) {
    return doubled >= 0 && doubled <= 2 * (FrameStore::Side - 1);
}
} // namespace

const std::array<const char*, 4>& SidePanel::mirrorNames() {
    static const std::array<const char*, 4> names{"Off", "Left–right", "Top–bottom", "Both"};
    return names;
}

void SidePanel::addStrokeOptions(QVBoxLayout* column) {
    QWidget* box = this;
    auto* label = new QLabel(QStringLiteral("Mirror"), box);
    mirror_ = new QComboBox(box);
    label->setBuddy(mirror_);
    for (const char* name : mirrorNames())
        mirror_->addItem(QString::fromUtf8(name));
    const QString mirrorTip = QStringLiteral(
        "The tools draw mirrored about the board's middle, or the axes placed with Shift+Y: "
        "left to right, top to bottom, or both (Y)");
    mirror_->setToolTip(mirrorTip);
    mirror_->setAccessibleName(QStringLiteral("Mirror"));
    mirror_->setAccessibleDescription(mirrorTip);
    mirror_->setFocusPolicy(Qt::StrongFocus);
    pixelPerfect_ = new QCheckBox(QStringLiteral("Pixel-perfect"), box);
    const QString pixelTip =
        QStringLiteral("The pen leaves out the corners a fast diagonal drag makes (U)");
    pixelPerfect_->setToolTip(pixelTip);
    pixelPerfect_->setAccessibleName(QStringLiteral("Pixel-perfect pen"));
    pixelPerfect_->setAccessibleDescription(pixelTip);
    pixelPerfect_->setFocusPolicy(Qt::TabFocus);
    const QSettings settings;
    const int kept = settings.value(MirrorKey).toInt();
    mirror_->setCurrentIndex(kept >= 0 && kept < mirror_->count() ? kept : 0);
    pixelPerfect_->setChecked(settings.value(PixelPerfectKey).toBool());
    const int axisColumn = settings.value(AxisColumnKey, axes_.doubledColumn).toInt();
    const int axisRow = settings.value(AxisRowKey, axes_.doubledRow).toInt();
    if (onBoardAxis(axisColumn) && onBoardAxis(axisRow))
        axes_ = {axisColumn, axisRow};
    connect(mirror_, &QComboBox::currentIndexChanged, this, [this](int index) {
        QSettings().setValue(MirrorKey, index);
        emit mirrorChanged();
    });
    connect(pixelPerfect_, &QCheckBox::toggled, this,
            [](bool on) { QSettings().setValue(PixelPerfectKey, on); });
    auto* mirrorRow = new QHBoxLayout;
    mirrorRow->setContentsMargins(0, 0, 0, 0);
    mirrorRow->addWidget(label);
    mirrorRow->addWidget(mirror_, 1);
    column->addLayout(mirrorRow);
    column->addWidget(pixelPerfect_);
    column->addWidget(createApplyToChosen());
}

// While on, the box stands out in the colour of the chosen frames, so that a
// change reaching many frames is never a surprise.
QCheckBox* SidePanel::createApplyToChosen() {
    applyToChosen_ = new QCheckBox(QStringLiteral("Apply to chosen frames"), this);
    const QString tip = QStringLiteral(
        "Strokes, fills, pastes, text, the Image buttons, Invert and Set / Clear all change "
        "every frame chosen in the strip, in one step (F)");
    applyToChosen_->setToolTip(tip);
    applyToChosen_->setAccessibleName(QStringLiteral("Apply to chosen frames"));
    applyToChosen_->setAccessibleDescription(tip);
    applyToChosen_->setFocusPolicy(Qt::TabFocus);
    applyToChosen_->setStyleSheet(
        QStringLiteral("QCheckBox:checked { background: #f4b400; color: black;"
                       " border-radius: 3px; }"));
    connect(applyToChosen_, &QCheckBox::toggled, this, &SidePanel::applyToChosenChanged);
    return applyToChosen_;
}

// While changes reach the chosen frames, the frames' title says how many.
void SidePanel::showTargetCount(int images) {
    framesBox_->setTitle(appliesToChosen() ? QStringLiteral("Frames: editing %1").arg(images)
                                           : QStringLiteral("Frames"));
}

bool SidePanel::appliesToChosen() const {
    return applyToChosen_->isChecked();
}

void SidePanel::toggleApplyToChosen() {
    applyToChosen_->toggle();
}

StrokeOptions SidePanel::strokeOptions() const {
    return {static_cast<Symmetry>(mirror_->currentIndex()), pixelPerfect_->isChecked(), axes_};
}

void SidePanel::setMirrorAxes(MirrorAxes axes) {
    if (!onBoardAxis(axes.doubledColumn) || !onBoardAxis(axes.doubledRow) || axes == axes_)
        return;
    axes_ = axes;
    QSettings settings;
    settings.setValue(AxisColumnKey, axes.doubledColumn);
    settings.setValue(AxisRowKey, axes.doubledRow);
    emit mirrorChanged();
}

void SidePanel::cycleMirror() {
    mirror_->setCurrentIndex((mirror_->currentIndex() + 1) % mirror_->count());
}

void SidePanel::togglePixelPerfect() {
    pixelPerfect_->toggle();
}

QToolButton* SidePanel::addCommand(QAction* action) {
    auto* b = new QToolButton(this);
    b->setDefaultAction(action);
    b->setAccessibleName(action->text().remove(u'…'));
    b->setFocusPolicy(Qt::TabFocus);
    toolColumn_->insertWidget(toolColumn_->indexOf(text_) + 1, b);
    return b;
}

QToolButton* SidePanel::toolButton(Tool tool) const {
    return static_cast<QToolButton*>(toolGroup_->button(static_cast<int>(tool)));
}

void SidePanel::chooseTool(Tool tool) {
    toolButton(tool)->setChecked(true);
    if (tool_ == tool)
        return;
    tool_ = tool;
    emit toolChosen(tool);
}

bool SidePanel::showsPrevious() const {
    return previous_->isChecked();
}

bool SidePanel::showsNext() const {
    return next_->isChecked();
}

void SidePanel::setOnionSkin(bool previous, bool next) {
    previous_->setChecked(previous);
    next_->setChecked(next);
}

void SidePanel::setStrip(QWidget* strip) {
    stripLayout_->addWidget(strip);
}
