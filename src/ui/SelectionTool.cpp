#include "ui/SelectionTool.h"

#include "editor/Editor.h"
#include "ui/BoardLevels.h"
#include "ui/BoardView.h"
#include "ui/RegionClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int AntsStepMs = 150;
// Alt as in pixel editors, Ctrl as in GIMP: many desktops keep Alt+drag for
// moving windows.
constexpr Qt::KeyboardModifiers TakeAway = Qt::AltModifier | Qt::ControlModifier;
constexpr Qt::KeyboardModifiers Combine = TakeAway | Qt::ShiftModifier;

bool holdsLevelBytes(const Region& region) {
    return std::any_of(region.leds().begin(), region.leds().end(), [](const Region::Led& led) {
        const int level = FrameStore::levelOf(led.value);
        return level > 0 && level < FrameStore::MaxLevel;
    });
}

} // namespace

SelectionTool::SelectionTool(Host host, QObject* parent)
    : QObject(parent), host_(std::move(host)), ants_(new QTimer(this)) {
    ants_->setInterval(AntsStepMs);
    connect(ants_, &QTimer::timeout, this, [this] {
        ++antsPhase_;
        showAnts();
    });
}

SelectionTool::~SelectionTool() = default;

bool SelectionTool::levels() const {
    return host_.editor.animation().hasLevels();
}

Selection SelectionTool::combined(const Selection& made, Qt::KeyboardModifiers modifiers) const {
    if (modifiers & TakeAway)
        return selection_.without(made);
    if (modifiers & Qt::ShiftModifier)
        return selection_.united(made);
    return made;
}

void SelectionTool::setSelection(const Selection& selection) {
    selection_ = selection;
    if (selection_.empty())
        ants_->stop();
    else if (!ants_->isActive())
        ants_->start();
    showAnts();
    emit selectionChanged();
}

// While a rectangle is drawn the ants show what the selection will be.
void SelectionTool::showAnts() {
    Selection shown = selection_;
    if (gesture_ && !gesture_->moving)
        shown = combined(Selection::rectangle(gesture_->from, gesture_->to), gesture_->modifiers);
    else if (gesture_)
        shown = gesture_->dragged.value_or(selection_);
    host_.board.setSelectionOutline(shown.cells(), antsPhase_);
}

void SelectionTool::press(Tool tool, Drawing::Point at, Qt::KeyboardModifiers modifiers) {
    const Editor& editor = host_.editor;
    if (editor.playback().playing() || editor.outputModes().matrixOff() || editor.hasEnded())
        return;
    keepCurrent();
    if (tool == Tool::Wand) {
        floating_.reset();
        setSelection(combined(Selection::likeLeds(editor.animation().currentFrame(), at, levels()),
                              modifiers));
        return;
    }
    const bool moving = selection_.contains(at) && !(modifiers & Combine);
    gesture_ = Gesture{moving, at, at, modifiers};
    if (!moving)
        floating_.reset();
    showGesture();
}

void SelectionTool::moveTo(Drawing::Point at) {
    if (!gesture_ || gesture_->to == at)
        return;
    gesture_->to = at;
    showGesture();
}

void SelectionTool::release(Drawing::Point at) {
    if (!gesture_)
        return;
    gesture_->to = at;
    const Gesture done = *gesture_;
    cancelGesture();
    const int dx = done.to.x - done.from.x, dy = done.to.y - done.from.y;
    if (done.moving) {
        if (dx != 0 || dy != 0)
            if (const QString refusal = nudge(dx, dy); !refusal.isEmpty())
                host_.refuse(refusal);
        return;
    }
    if (dx == 0 && dy == 0 && !(done.modifiers & Combine)) {
        drop(); // a click beside the selection
        return;
    }
    setSelection(combined(Selection::rectangle(done.from, done.to), done.modifiers));
}

void SelectionTool::keyAt(Tool tool, Drawing::Point at, Qt::KeyboardModifiers modifiers) {
    if (tool == Tool::Wand || !gesture_) {
        press(tool, at, modifiers);
        if (gesture_ && !gesture_->moving && modifiers == Qt::NoModifier)
            gesture_->modifiers = Qt::NoModifier;
        return;
    }
    // The second key: a rectangle of one LED counts as one, not as a click beside.
    if (!gesture_->moving && gesture_->from == at) {
        const Gesture done = *gesture_;
        cancelGesture();
        setSelection(combined(Selection::rectangle(at, at), done.modifiers));
        return;
    }
    release(at);
}

void SelectionTool::cancelGesture() {
    gesture_.reset();
    host_.board.setPreview(std::nullopt);
    showAnts();
}

// A drag of the selection previews the image shown as the move would leave it.
void SelectionTool::showGesture() {
    if (!gesture_ || !gesture_->moving) {
        showAnts();
        return;
    }
    // The image shown alone: every move of the pointer draws it again.
    const int shown = host_.editor.animation().currentImage();
    FrameStore::Frame under;
    Region leds;
    if (!floating_) {
        const FrameStore::Frame frame = host_.editor.animation().currentFrame();
        under = Selections::cleared(frame, selection_);
        leds = Region::lift(frame, selection_);
    } else if (const auto at = std::find(floating_->images.begin(), floating_->images.end(), shown);
               at != floating_->images.end()) {
        const auto i = static_cast<std::size_t>(at - floating_->images.begin());
        under = floating_->under[i];
        leds = floating_->leds[i];
    } else {
        return;
    }
    leds = leds.moved(gesture_->to.x - gesture_->from.x, gesture_->to.y - gesture_->from.y);
    host_.board.setPreview(boardLevelsOf(leds.placedOn(under), levels()));
    gesture_->dragged = leds.onBoard();
    showAnts();
}

void SelectionTool::selectAll() {
    cancelGesture();
    floating_.reset();
    setSelection(Selection::all());
}

void SelectionTool::drop() {
    cancelGesture();
    floating_.reset();
    setSelection({});
}

void SelectionTool::keepCurrent() {
    if (!floating_)
        return;
    const Editor& editor = host_.editor;
    if (editor.changeCount() != floating_->writtenAt ||
        editor.animation().currentImage() != floating_->shownImage)
        floating_.reset();
}

// The floating LEDs, or the selected ones lifted out of each target image.
SelectionTool::Floating SelectionTool::floatingOrLifted() const {
    if (floating_)
        return *floating_;
    Floating lifted;
    lifted.images = host_.targets();
    for (const int image : lifted.images) {
        const FrameStore::Frame frame = host_.editor.animation().frame(image);
        lifted.under.push_back(Selections::cleared(frame, selection_));
        lifted.leds.push_back(Region::lift(frame, selection_));
    }
    return lifted;
}

QString SelectionTool::writeFloating(Floating floating) {
    std::vector<FrameStore::Frame> frames;
    bool levelBytes = false;
    for (std::size_t i = 0; i < floating.images.size(); ++i) {
        frames.push_back(floating.leds[i].placedOn(floating.under[i]));
        levelBytes = levelBytes || holdsLevelBytes(floating.leds[i]);
    }
    if (QString refusal = host_.editor.drawFrames(floating.images, frames, levelBytes);
        !refusal.isEmpty())
        return refusal;
    floating.writtenAt = host_.editor.changeCount();
    floating.shownImage = host_.editor.animation().currentImage();
    const Selection on = floating.leds.front().onBoard();
    floating_ = std::move(floating);
    setSelection(on);
    return {};
}

QString SelectionTool::nudge(int dx, int dy) {
    return changeRegions([dx, dy](const Region& leds) { return leds.moved(dx, dy); },
                         QStringLiteral("no LEDs are selected to move"));
}

QString SelectionTool::changeRegions(const RegionChange& change, const QString& noneSelected) {
    keepCurrent();
    if (selection_.empty())
        return noneSelected;
    Floating changed = floatingOrLifted();
    for (Region& leds : changed.leds)
        leds = change(leds);
    return writeFloating(std::move(changed));
}

// What the Image group's button does to the selected LEDs: the shifts move them.
std::optional<SelectionTool::RegionChange> SelectionTool::changeOf(Control control) const {
    const auto method = [](Region (Region::*m)() const) -> RegionChange {
        return [m](const Region& leds) { return (leds.*m)(); };
    };
    const auto by = [](int dx, int dy) -> RegionChange {
        return [dx, dy](const Region& leds) { return leds.moved(dx, dy); };
    };
    switch (control) {
    case Control::VerticalFlip:
        return method(&Region::mirroredLeftRight);
    case Control::HorizontalFlip:
        return method(&Region::mirroredTopBottom);
    case Control::RotateLeft:
        return method(&Region::turnedLeft);
    case Control::RotateRight:
        return method(&Region::turnedRight);
    case Control::Invert:
        return [levels = levels()](const Region& leds) { return leds.inverted(levels); };
    case Control::ShiftUp:
        return by(0, -1);
    case Control::ShiftDown:
        return by(0, 1);
    case Control::ShiftLeft:
        return by(-1, 0);
    case Control::ShiftRight:
        return by(1, 0);
    default:
        return std::nullopt;
    }
}

bool SelectionTool::takesControl(Control control) const {
    return !selection_.empty() && changeOf(control).has_value();
}

QString SelectionTool::runControl(Control control) {
    const std::optional<RegionChange> change = changeOf(control);
    return change ? changeRegions(*change, QStringLiteral("no LEDs are selected")) : QString();
}

// The image shown's selected LEDs, in the program's own form and as a picture.
QString SelectionTool::copy() {
    keepCurrent();
    if (selection_.empty())
        return QStringLiteral("no LEDs are selected to copy");
    const Region copied = Region::lift(host_.editor.animation().currentFrame(), selection_);
    QApplication::clipboard()->setMimeData(RegionClipboard::toMimeData(copied, levels()).release());
    return {};
}

QString SelectionTool::cut() {
    if (QString refusal = copy(); !refusal.isEmpty())
        return refusal;
    return clearLeds();
}

QString SelectionTool::clearLeds() {
    keepCurrent();
    if (selection_.empty())
        return QStringLiteral("no LEDs are selected to clear");
    const Selection chosen = selection_;
    floating_.reset();
    return host_.editor.changeFrames(host_.targets(), [&chosen](const FrameStore::Frame& frame) {
        return Selections::cleared(frame, chosen);
    });
}

// The clipboard's LEDs float over every target image where they were copied.
QString SelectionTool::paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (QString refusal = RegionClipboard::refusal(data); !refusal.isEmpty())
        return refusal;
    const std::optional<Region> leds =
        data ? RegionClipboard::fromMimeData(*data, levels()) : std::nullopt;
    if (!leds || leds->empty())
        return QStringLiteral("the clipboard holds no LEDs or picture to paste");
    if (leds->onBoard().empty())
        return QStringLiteral("the LEDs on the clipboard lie off the board");
    cancelGesture();
    Floating pasted;
    pasted.images = host_.targets();
    for (const int image : pasted.images) {
        pasted.under.push_back(host_.editor.animation().frame(image));
        pasted.leds.push_back(*leds);
    }
    return writeFloating(std::move(pasted));
}
