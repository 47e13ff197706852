#include "ui/Form1.h"

#include "editor/Editor.h"
#include "frames/FrameStore.h"
#include "frames/HitTest.h"
#include "frames/ToolStroke.h"
#include "playback/AnimationTimer.h"
#include "port/PanelSetup.h"
#include "ui/Accessibility.h"
#include "ui/AnimationControls.h"
#include "ui/Artwork.h"
#include "ui/BoardLevels.h"
#include "ui/BoardView.h"
#include "ui/FrameStrip.h"
#include "ui/IconStore.h"
#include "ui/Keyboard.h"
#include "ui/MouseSurface.h"
#include "ui/PanelLabel.h"
#include "ui/PlainText.h"
#include "ui/RefreshRateText.h"
#include "ui/SelectionTool.h"
#include "ui/Sharing.h"
#include "ui/SidePanel.h"
#ifdef QUENTARO_HAVE_TEXT
#include "ui/TextDialog.h"
#endif
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr int ClientWidthTwips = 8475;
constexpr int ClientHeightTwips = 4890;
const QColor ButtonGrey(192, 192, 192);
const QColor LabelText(0x80, 0x00, 0x00);

struct GroupEntry {
    Group group;
    const char* caption;
    TwipsRect rect;
};
constexpr GroupEntry Groups[] = {
    {Group::Matrix, "Matrix ", {160, 70, 4575, 4695}},
    {Group::Speed, "Speed", {4880, 80, 3495, 735}},
    {Group::Image, "Image", {4880, 850, 3495, 1695}},
    {Group::Animation, "Animation", {4880, 2600, 3495, 2175}},
};

// Image4 .. Image11 in order, each 315 x 315 twips.
struct StoreEntry {
    Group group;
    Picture picture;
    int left, top;
};
constexpr StoreEntry Stores[] = {
    {Group::Image, Store::Image4, 2640, 600},      {Group::Image, Store::Image5, 3000, 600},
    {Group::Animation, Store::Image6, 1320, 1080}, {Group::Animation, Store::Image7, 1920, 1080},
    {Group::Animation, Store::Image8, 2520, 1560}, {Group::Animation, Store::Image9, 3000, 1560},
    {Group::Animation, Store::Image10, 120, 1440}, {Group::Animation, Store::Image11, 720, 1440},
};
constexpr TwipsRect Label1Rect{1200, 240, 1095, 375}; // in "Speed"
constexpr TwipsRect Label2Rect{1200, 720, 1095, 375}; // in "Animation"
constexpr TwipsRect BoardRect{120, 240, 4335, 4335};  // in "Matrix "
constexpr TwipsRect SurfaceRect{360, 480, 3855, 3855};
constexpr int StoreTwips = 315;

QRect pixels(const TwipsRect& r) {
    return Twips::rect(r.left, r.top, r.width, r.height);
}

QFont windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

QFont labelFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    font.setBold(true);
    return font;
}

int vbButton(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// A drawing tool's point under a position in twips, which may lie off the board.
Drawing::Point ledAt(float xTwips, float yTwips) {
    return {static_cast<int>(std::floor(xTwips / HitTest::TwipsPerCell)),
            static_cast<int>(std::floor(yTwips / HitTest::TwipsPerCell))};
}

// The navigation buttons take the group's face, not the grey of the others.
bool isNavigation(Control c) {
    return c == Control::FirstImage || c == Control::PreviousImage || c == Control::NextImage ||
           c == Control::LastImage;
}

} // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent), timer_(makeQtAnimationTimer()), output_(services.output) {
    createControls();
    editor_ = std::make_unique<Editor>(EditorServices{
        services.port, services.dialog, services.clock, services.instanceCheck, *timer_,
        [this] {
            QCoreApplication::processEvents();
            render();
        },
        [this] {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            render();
        },
        [this](const Message& message) { tell(message); }, std::move(services.endProgram),
        services.output});
    editor_->setAfterHandler([this] { render(); });
    connectControls();
    createKeys();
    createSharingMenu();
    createSidePanel();
    createToolKeys();
    render();
    editor_->Form_Load();
    render();
}

Form1::~Form1() = default;

void Form1::showRefreshRate(std::function<MatrixOutput::Rate()> rate) {
    if (rateTimer_ == nullptr) {
        rateTimer_ = new QTimer(this);
        rateTimer_->start(1000);
    }
    QGroupBox* box = group(Group::Animation);
    connect(rateTimer_, &QTimer::timeout, box,
            [box, rate = std::move(rate)] { box->setToolTip(refreshRateText(rate())); });
}

bool Form1::hasEnded() const {
    return editor_->hasEnded();
}

void Form1::createControls() {
    Accessibility::install(); // before the controls, so that each gets its interface
    setFont(windowFont());
    setWindowIcon(Artwork::windowIcon());
    setFixedSize(Twips::toPixels(ClientWidthTwips), Twips::toPixels(ClientHeightTwips));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    for (const GroupEntry& entry : Groups) {
        auto* box = new QGroupBox(QString::fromUtf8(entry.caption), this);
        box->setGeometry(pixels(entry.rect));
        groups_[static_cast<std::size_t>(entry.group)] = box;
    }
    // The board first: the first Tab from the window reaches it.
    Image1 = new BoardView(group(Group::Matrix));
    Image1->setGeometry(pixels(BoardRect));
    Image3 = new MouseSurface(group(Group::Matrix));
    Image3->setGeometry(pixels(SurfaceRect));
    Image3->setBoard(Image1);
    Image3->raise();
    createButtons();
    createStores();
    auto label = [](QWidget* parent, const TwipsRect& rect, const char* description) {
        auto* l = new PanelLabel(parent);
        l->setGeometry(pixels(rect));
        l->setAccessibleDescription(QString::fromUtf8(description));
        l->setFont(labelFont());
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, LabelText);
        l->setPalette(palette);
        return l;
    };
    Label1 = label(group(Group::Speed), Label1Rect, "Images a second");
    Label2 = label(group(Group::Animation), Label2Rect, "Image shown / number of images");
    orderTabStops();
}

// Tab follows the window as it stands: the board on the left, then each group's
// buttons row by row. The window itself starts with the focus, so that Space is
// Start and the first Tab brings the focus to the board, the first in the chain.
void Form1::orderTabStops() {
    QList<QWidget*> stops{Image3};
    for (QToolButton* b : buttons_)
        stops << b;
    std::ranges::stable_sort(stops, {}, [](const QWidget* w) {
        const QPoint group = w->parentWidget()->pos();
        return std::tuple(group.x(), group.y(), w->y(), w->x());
    });
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
    setFocus();
}

void Form1::createButtons() {
    for (const ButtonEntry& entry : Buttons) {
        auto* b = new QToolButton(group(entry.group));
        b->setObjectName(QString::fromUtf8(entry.name));
        b->setGeometry(pixels(entry.rect));
        b->setIconSize(QSize(Artwork::ButtonIconSize, Artwork::ButtonIconSize));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::TabFocus);
        QPalette palette =
            isNavigation(entry.control) ? group(entry.group)->palette() : b->palette();
        if (!isNavigation(entry.control))
            palette.setColor(QPalette::Button, ButtonGrey);
        b->setPalette(palette);
        b->installEventFilter(this);
        buttons_[static_cast<std::size_t>(entry.control)] = b;
    }
}

void Form1::createStores() {
    for (std::size_t i = 0; i < stores.size(); ++i) {
        const StoreEntry& entry = Stores[i];
        auto* s = new IconStore(Artwork::buttonIcon(entry.picture), group(entry.group));
        s->setGeometry(Twips::rect(entry.left, entry.top, StoreTwips, StoreTwips));
        stores[i] = s;
    }
}

void Form1::connectControls() {
    for (const ButtonEntry& entry : Buttons)
        connect(button(entry.control), &QToolButton::clicked, this,
                [this, c = entry.control] { runControl(c, false); });
    // The click tool is the board's own: the editor's mouse handlers. The other
    // tools draw a stroke from the press to the release.
    connect(Image3, &MouseSurface::pressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers mods, float x, float y) {
                if (selects()) {
                    if (button == Qt::LeftButton)
                        selection_->press(sidePanel_->tool(), ledAt(x, y), mods);
                    else
                        selection_->cancelGesture();
                    return;
                }
                if (!drawsWithTool())
                    return;
                if (stroke_ || (button != Qt::LeftButton && button != Qt::RightButton)) {
                    cancelStroke(); // a second button gives the stroke up
                    return;
                }
                strokeButton_ = button;
                beginStroke(HitTest::cellAt(x, y), mods & Qt::ShiftModifier,
                            button == Qt::RightButton);
            });
    connect(Image3, &MouseSurface::moved, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, float x, float y) {
                // The click tool's cell follows the pointer whatever tool is chosen.
                editor_->mouseMove(vbButton(buttons), vbShift(mods), x, y);
                if (selects() && (buttons & Qt::LeftButton))
                    selection_->moveTo(ledAt(x, y));
                else if (drawsWithTool() && (buttons & strokeButton_))
                    continueStroke(ledAt(x, y), mods & Qt::ShiftModifier);
            });
    connect(Image3, &MouseSurface::released, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers mods, float x, float y) {
                if (selects()) {
                    if (button == Qt::LeftButton)
                        selection_->release(ledAt(x, y));
                } else if (!drawsWithTool())
                    editor_->mouseUp(vbButton(button), vbShift(mods), x, y);
                else if (button == strokeButton_)
                    finishStroke();
            });
    connect(Image3, &MouseSurface::cursorMoved, this, [this](int cell) {
        if (selects() && selection_->inGesture())
            selection_->moveTo(Drawing::pointOf(cell));
        if (stroke_)
            continueStroke(Drawing::pointOf(cell),
                           QApplication::keyboardModifiers() & Qt::ShiftModifier);
    });
}

void Form1::render() {
    if (strip_ != nullptr)
        strip_->refresh();
    if (animationControls_ != nullptr)
        animationControls_->refresh();
    keepStrokeCurrent();
    if (selection_ != nullptr)
        selection_->keepCurrent();
    showOnionSkin();
    showShades();
    showOutput();
    const Panel& panel = editor_->panel();
    const bool first = !rendered_;
    // Called once a pass by the refresh loop: most calls find nothing to draw.
    if (!first && panel == drawn_)
        return;
    for (const ButtonEntry& entry : Buttons) {
        const Panel::Button& want = panel.button(entry.control);
        const Panel::Button& had = drawn_.button(entry.control);
        QToolButton* b = button(entry.control);
        if (first || want.shown != had.shown) {
            b->setHidden(!want.shown);
            if (QAction* key = keyAction(entry.control))
                key->setEnabled(want.shown && !selectionTakesKey(entry.control));
        }
        if (first || want.picture != had.picture)
            b->setIcon(Artwork::buttonIcon(want.picture));
        if (first || want.tooltip != had.tooltip) {
            b->setToolTip(want.tooltip);
            b->setAccessibleName(want.tooltip);
        }
    }
    // Export and import go with Load and Save: not while the animation plays.
    const bool loadShown = panel.isShown(Control::LoadFile);
    if (sharingMenu_ && (first || loadShown != drawn_.isShown(Control::LoadFile))) {
        sharingMenu_->setEnabled(loadShown);
        for (QAction* action : sharingActions_)
            action->setEnabled(loadShown);
    }
    if (first || panel.label1 != drawn_.label1)
        Label1->setText(panel.label1);
    if (first || panel.label2 != drawn_.label2)
        Label2->setText(panel.label2);
    if (first || panel.caption != drawn_.caption)
        setWindowTitle(panel.caption);
    if (first || panel.cells() != drawn_.cells()) {
        for (int cell = 0; cell < Panel::Cells; ++cell)
            Image1->setCellShown(cell, panel.isCellShown(cell));
    }
    drawn_ = panel;
    rendered_ = true;
}

QAction* Form1::addKey(const QList<QKeySequence>& keys, std::function<void()> run) {
    auto* action = new QAction(this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    addAction(action);
    return action;
}

void Form1::createKeys() {
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
        keys_[static_cast<std::size_t>(b.control)] =
            addKey(b.keys, [this, c = b.control] { runControl(c, true); });
    addKey({QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { editor_->undo(); });
    addKey({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
           [this] { editor_->redo(); });
    addKey({QKeySequence(Qt::Key_F1)}, [this] { showHelp(); });
    connect(Image3, &MouseSurface::toggleRequested, this, &Form1::toggleFromKeyboard);
    // While the animation plays the board takes no edits: Space is Stop there too.
    Image3->leaveSpaceWhile([this] { return editor_->playback().playing(); });
}

// Export and import: a right click on Load or Save, the menu key, or their own keys.
void Form1::createSharingMenu() {
    sharingMenu_ = new QMenu(this);
    QAction* exportAction = sharingMenu_->addAction(
        QStringLiteral("Export…"), this, [this] { Sharing::exportAnimation(this, *editor_); });
    QAction* importAction = sharingMenu_->addAction(
        QStringLiteral("Import…"), this, [this] { Sharing::importPictures(this, *editor_); });
    exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    sharingActions_ = {exportAction, importAction};
    for (QAction* action : sharingActions_) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    QToolButton* load = button(Control::LoadFile);
    const auto popUpAt = [this](QToolButton* b, QPoint at) {
        if (sharingMenu_->isEnabled() && b->isVisible())
            sharingMenu_->popup(b->mapToGlobal(at));
    };
    for (Control c : {Control::LoadFile, Control::SaveFile}) {
        QToolButton* b = button(c);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this,
                [b, popUpAt](QPoint at) { popUpAt(b, at); });
    }
    addKey({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)},
           [load, popUpAt] { popUpAt(load, load->rect().center()); });
}

// The table is taller than a small screen: it scrolls, by the mouse and by the
// keys, in a dialog that fits 1024 x 768.
void Form1::showHelp() {
    constexpr QSize Largest(620, 640);
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("keysHelp"));
    dialog.setWindowTitle(QStringLiteral("Keys"));
    auto* table = new QTextBrowser(&dialog);
    table->setHtml(Keyboard::helpText()); // the program's own text
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    const QSize screen = dialog.screen()->availableSize() * 9 / 10;
    dialog.resize(Largest.boundedTo(screen));
    table->setFocus();
    dialog.exec();
}

// Space or Enter on the board does what a click on that LED does; with a
// drawing tool the first one starts a stroke there, the arrows carry it on and
// the second one finishes it. Fill needs no second point.
void Form1::toggleFromKeyboard(int cell) {
    if (selects()) {
        selection_->keyAt(sidePanel_->tool(), Drawing::pointOf(cell),
                          QApplication::keyboardModifiers());
        return;
    }
    if (drawsWithTool()) {
        const bool shift = QApplication::keyboardModifiers() & Qt::ShiftModifier;
        if (stroke_) {
            continueStroke(Drawing::pointOf(cell), shift);
            finishStroke();
            return;
        }
        beginStroke(cell, shift);
        if (sidePanel_->tool() == Tool::Fill)
            finishStroke();
        return;
    }
    constexpr float Cell = HitTest::TwipsPerCell;
    const float x = float(cell % FrameStore::Side) * Cell + Cell / 2;
    const float y = float(cell / FrameStore::Side) * Cell + Cell / 2;
    editor_->mouseMove(0, 0, x, y);
    editor_->mouseUp(1, 0, x, y);
}

// A focused button takes Space itself, as buttons do, before the Start key.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::createSidePanel() {
    constexpr int HandleWidth = 7;
    const int formWidth = Twips::toPixels(ClientWidthTwips);
    handle_ = new QToolButton(this);
    handle_->setObjectName(QStringLiteral("sidePanelHandle"));
    handle_->setStyleSheet(
        QStringLiteral("QToolButton { background: #9c9c9c; border: none; }"
                       " QToolButton:hover, QToolButton:focus { background: #3c78d8; }"));
    handle_->setGeometry(formWidth - HandleWidth, 0, HandleWidth, height());
    handle_->setAutoRaise(true);
    handle_->setCheckable(true);
    handle_->setFocusPolicy(Qt::TabFocus);
    handle_->setAccessibleName(QStringLiteral("Tools and frames"));
    sidePanel_ = new SidePanel(this);
    sidePanel_->setGeometry(formWidth, 0, SidePanel::Width, height());
    strip_ = new FrameStrip(*editor_, Qt::Vertical);
    sidePanel_->setStrip(strip_);
    animationControls_ = new AnimationControls(*this, *editor_, *sidePanel_);
    connect(animationControls_, &AnimationControls::said, this,
            [this](const QString& title, const QString& text) {
                tell({Message::Kind::Warning, title, text});
            });
    QAction* save = animationControls_->saveAction();
    QAction* open = animationControls_->openAction();
    sharingMenu_->insertAction(sharingActions_.value(0), save);
    sharingMenu_->insertAction(save, open);
    sharingActions_.prepend(save);
    sharingActions_.prepend(open);
    connect(handle_, &QToolButton::toggled, this, &Form1::setSidePanelOpen);
    // Like the form's buttons, these take Space themselves before the Start key.
    handle_->installEventFilter(this);
    for (QWidget* w : sidePanel_->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus)
            w->installEventFilter(this);
    connect(sidePanel_, &SidePanel::toolChosen, this, [this] { cancelStroke(); });
    createSelection();
    createMirrorAxes();
    connect(sidePanel_, &SidePanel::textRequested, this, &Form1::openTextDialog);
    connect(sidePanel_, &SidePanel::brightnessChanged, this, &Form1::changeBrightness);
    connect(sidePanel_, &SidePanel::onionSkinChanged, this, [this] {
        QSettings settings;
        settings.setValue(QStringLiteral("editor/onionSkinPrevious"), sidePanel_->showsPrevious());
        settings.setValue(QStringLiteral("editor/onionSkinNext"), sidePanel_->showsNext());
        showOnionSkin();
    });
    const QSettings settings;
    sidePanel_->setOnionSkin(settings.value(QStringLiteral("editor/onionSkinPrevious")).toBool(),
                             settings.value(QStringLiteral("editor/onionSkinNext")).toBool());
    showSidePanel(settings.value(QStringLiteral("editor/sidePanelOpen")).toBool());
}

bool Form1::isSidePanelOpen() const {
    return sidePanel_->isVisibleTo(this);
}

void Form1::setSidePanelOpen(bool open) {
    showSidePanel(open);
    QSettings().setValue(QStringLiteral("editor/sidePanelOpen"), open);
}

// The window keeps its own size and layout; the panel is added at its right.
// Only the user's choice is stored: an editor refused at start stores nothing.
void Form1::showSidePanel(bool open) {
    const int formWidth = Twips::toPixels(ClientWidthTwips);
    setFixedSize(formWidth + (open ? SidePanel::Width : 0), Twips::toPixels(ClientHeightTwips));
    sidePanel_->setVisible(open);
    if (!open)
        sidePanel_->chooseTool(Tool::Toggle); // no tool at work that cannot be seen
    const QSignalBlocker blocker(handle_);
    handle_->setChecked(open);
    handle_->setArrowType(open ? Qt::LeftArrow : Qt::RightArrow);
    handle_->setToolTip(open ? QStringLiteral("Close the tools and frames (F9)")
                             : QStringLiteral("Open the tools and frames (F9)"));
}

void Form1::createToolKeys() {
    for (const SidePanel::ToolEntry& entry : SidePanel::tools())
        addKey({entry.key}, [this, tool = entry.tool] { chooseTool(tool); });
    addKey({QKeySequence(Qt::Key_T)}, [this] { openTextDialog(); });
    addKey({QKeySequence(Qt::Key_F9)}, [this] { setSidePanelOpen(!isSidePanelOpen()); });
    addKey({QKeySequence(Qt::Key_O)}, [this] {
        sidePanel_->setOnionSkin(!sidePanel_->showsPrevious(), sidePanel_->showsNext());
    });
    addKey({QKeySequence(Qt::SHIFT | Qt::Key_O)}, [this] {
        sidePanel_->setOnionSkin(sidePanel_->showsPrevious(), !sidePanel_->showsNext());
    });
    addKey({QKeySequence(Qt::Key_Y)}, [this] { sidePanel_->cycleMirror(); });
    addKey({QKeySequence(Qt::Key_U)}, [this] { sidePanel_->togglePixelPerfect(); });
    addKey({QKeySequence(Qt::Key_F)}, [this] {
        setSidePanelOpen(true);
        sidePanel_->toggleApplyToChosen();
    });
    // Esc gives up the stroke being drawn, else the selection being made, else drops it.
    cancelStroke_ = addKey({QKeySequence(Qt::Key_Escape)}, [this] {
        if (stroke_)
            cancelStroke();
        else if (selection_->inGesture())
            selection_->cancelGesture();
        else
            selection_->drop();
    });
    cancelStroke_->setEnabled(false);
}

// A tool chosen by its key opens the panel, so that the choice is seen.
void Form1::chooseTool(Tool tool) {
    setSidePanelOpen(true);
    sidePanel_->chooseTool(tool);
}

bool Form1::drawsWithTool() const {
    return sidePanel_ != nullptr && sidePanel_->tool() != Tool::Toggle;
}

// Like a click, a stroke draws on the frame shown: not while the animation plays
// or the board is blanked.
void Form1::beginStroke(int cell, bool shift, bool erase) {
    if (editor_->hasEnded() || editor_->playback().playing() || editor_->outputModes().matrixOff())
        return;
    stroke_.emplace(sidePanel_->tool(), editor_->animation().currentFrame(), cell, shift, erase,
                    editor_->ink(), sidePanel_->strokeOptions());
    strokeOn_ = {editor_->animation().currentImage(), editor_->changeCount()};
    cancelStroke_->setEnabled(true);
    continueStroke(Drawing::pointOf(cell), shift);
}

void Form1::continueStroke(Drawing::Point to, bool shift) {
    if (!stroke_)
        return;
    stroke_->moveTo(to, shift);
    Image1->setPreview(boardLevelsOf(stroke_->picture(),
                                     editor_->animation().hasLevels() || stroke_->takesLevels()));
}

void Form1::finishStroke() {
    if (!stroke_)
        return;
    const ToolStroke stroke = *stroke_;
    cancelStroke();
    // With "Apply to chosen frames" the stroke is drawn again on each of them.
    const std::vector<int> targets = targetImages();
    const QString refusal =
        targets.size() > 1 && stroke.replays()
            ? editor_->changeFrames(
                  targets,
                  [&stroke](const FrameStore::Frame& frame) { return stroke.replayedOn(frame); },
                  stroke.takesLevels())
            : editor_->drawStroke(stroke);
    if (!refusal.isEmpty())
        tell({Message::Kind::Warning, QStringLiteral("Drawing"), refusal});
}

// A stroke belongs to the picture it began on: when the image shown or the
// animation changes under it (a key, the strip, undo, playing), it is given up.
void Form1::keepStrokeCurrent() {
    if (!stroke_)
        return;
    const std::pair now{editor_->animation().currentImage(), editor_->changeCount()};
    if (now != strokeOn_ || editor_->hasEnded() || editor_->playback().playing() ||
        editor_->outputModes().matrixOff())
        cancelStroke();
}

void Form1::cancelStroke() {
    stroke_.reset();
    if (cancelStroke_)
        cancelStroke_->setEnabled(selection_ != nullptr && selection_->hasSelection());
    Image1->setPreview(std::nullopt);
}

// The grey levels of the frame shown, where the board shows it: the cells at
// full light are the panel's. Drawn again only when they may have changed.
void Form1::showShades() {
    const Animation& animation = editor_->animation();
    const bool shown = animation.hasLevels() && !editor_->outputModes().matrixOff();
    const ShadesKey key{editor_->changeCount(), animation.storeRevision(), animation.currentImage(),
                        shown};
    if (key == shadesShown_)
        return;
    shadesShown_ = key;
    BoardView::Levels shades{};
    if (shown)
        shades = boardLevelsOf(animation.currentFrame(), true);
    for (std::uint8_t& level : shades)
        level = level == FrameStore::MaxLevel ? 0 : level;
    Image1->setShades(shades);
}

// The frames before and after the one shown, faintly, while editing; never on
// the matrix. Drawn again only when what it shows may have changed: render runs
// once a refresh pass.
void Form1::showOnionSkin() {
    if (sidePanel_ == nullptr)
        return;
    const Animation& animation = editor_->animation();
    const bool editing = !editor_->playback().playing() && !editor_->outputModes().matrixOff();
    const OnionKey key{editor_->changeCount(),      animation.storeRevision(),
                       animation.currentImage(),    editing,
                       sidePanel_->showsPrevious(), sidePanel_->showsNext()};
    if (key == onionShown_)
        return;
    onionShown_ = key;
    const auto cellsOf = [&](bool wanted, int image) {
        if (!editing || !wanted || image < 1 || image > animation.imageCount())
            return BoardView::Levels{};
        return boardLevelsOf(animation.frame(image), animation.hasLevels());
    };
    const int current = animation.currentImage();
    Image1->setOnionSkin(cellsOf(sidePanel_->showsPrevious(), current - 1),
                         cellsOf(sidePanel_->showsNext(), current + 1));
}

void Form1::setOutputName(const QString& name) {
    outputName_ = name;
    outputOnShown_.reset();
    showOutput();
}

// Once a refresh pass too, like the rest of render: drawn only when it changed.
void Form1::showOutput() {
    if (sidePanel_ == nullptr)
        return;
    const bool on = editor_->outputModes().lptOn();
    if (outputOnShown_ == on)
        return;
    outputOnShown_ = on;
    sidePanel_->showOutput(outputName_, on);
}

void Form1::setBrightnessOutput(const QString& port, std::optional<int> given) {
    brightnessPort_ = port;
    const int percent = given.value_or(storedBrightness(port));
    sidePanel_->offerBrightness(true);
    sidePanel_->showBrightness(percent);
    changeBrightness(sidePanel_->brightness());
}

void Form1::withholdBrightness(const QString& why) {
    brightnessPort_.reset();
    sidePanel_->offerBrightness(false, why);
}

void Form1::changeBrightness(int percent) {
    if (output_ != nullptr)
        output_->setBrightness(percent);
    if (brightnessPort_)
        storeBrightness(*brightnessPort_, percent);
}

void Form1::openTextDialog() {
#ifdef QUENTARO_HAVE_TEXT
    cancelStroke();
    showTextDialog(this, *editor_, targetImages());
#endif
}

void Form1::tell(const Message& message) {
    const bool critical = message.kind == Message::Kind::Critical;
    // At start-up the window is not shown yet, so that box stands alone.
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::Warning, message.title,
                    message.text, QMessageBox::Ok, isVisible() ? this : nullptr);
    PlainText::box(box); // the texts name files from the disk
    box.exec();
}

// A note that asks nothing (what a .led could not keep) stays beside the
// window until it is read, without holding the editing up.
void Form1::showNotice(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Note"), text,
                                QMessageBox::Ok, this);
    PlainText::box(*box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Form1::closeEvent(QCloseEvent* event) {
    editor_->close();
    event->accept();
}

// The image shown is always among them: a change never skips the picture it
// is drawn on.
std::vector<int> Form1::targetImages() const {
    const int shown = editor_->animation().currentImage();
    if (!sidePanel_->appliesToChosen() || !isSidePanelOpen())
        return {shown};
    std::vector<int> images = strip_->chosenImages();
    if (!std::binary_search(images.begin(), images.end(), shown))
        images.insert(std::lower_bound(images.begin(), images.end(), shown), shown);
    return images;
}

void Form1::showLiveFrame(const std::optional<MatrixOutput::LevelFrame>& levels) {
    Image1->setPreview(levels);
}
