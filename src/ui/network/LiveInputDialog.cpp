#include "ui/network/LiveInputDialog.h"

#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "ui/Form1.h"
#include "ui/PlainText.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int MinHoldMs = 40;
constexpr int MaxHoldMs = 65535;
constexpr int MaxUniverse = 63999;

bool hasGreyLevels(const PortIo::LevelFrame& levels) {
    return std::any_of(levels.begin(), levels.end(),
                       [](std::uint8_t l) { return l > 0 && l < FrameStore::MaxLevel; });
}

std::uint16_t holdBetween(Clock::Duration from, Clock::Duration to) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
    return static_cast<std::uint16_t>(std::clamp<long long>(ms, MinHoldMs, MaxHoldMs));
}

FrameStore::Frame frameOf(const PortIo::LevelFrame& levels) {
    FrameStore::Frame frame{};
    std::transform(levels.begin(), levels.end(), frame.begin(),
                   [](std::uint8_t level) { return FrameStore::cellForLevel(level); });
    return frame;
}

} // namespace

bool LiveRecording::take(const PortIo::LevelFrame& levels, Time at) {
    if (!levels_.empty() && levels_.back() == levels)
        return true;
    if (count() >= room_)
        return false;
    levels_.push_back(levels);
    times_.push_back(at);
    return true;
}

LiveRecording::Take LiveRecording::finish(Time end) const {
    Take take;
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        take.frames.push_back(frameOf(levels_[i]));
        take.holdMs.push_back(holdBetween(times_[i], i + 1 < times_.size() ? times_[i + 1] : end));
        take.levels = take.levels || hasGreyLevels(levels_[i]);
    }
    return take;
}

LiveInputDialog::LiveInputDialog(Form1& form, Clock* clock)
    : QDialog(&form), form_(form), ownClock_(clock ? nullptr : std::make_unique<SteadyClock>()),
      clock_(clock ? clock : ownClock_.get()), protocol_(new QComboBox(this)),
      universe_(new QSpinBox(this)), layout_(new QComboBox(this)),
      listen_(new QPushButton(QStringLiteral("Listen"), this)),
      record_(new QPushButton(QStringLiteral("Record"), this)),
      status_(PlainText::label(new QLabel(this))), line_(PlainText::label(new QLabel(this))) {
    setWindowTitle(QStringLiteral("Live input"));
    setModal(false);
    protocol_->addItems(
        {QStringLiteral("E1.31"), QStringLiteral("Art-Net"), QStringLiteral("DDP")});
    universe_->setRange(0, MaxUniverse);
    universe_->setValue(1);
    layout_->addItems({QStringLiteral("3 (RGB)"), QStringLiteral("1")});
    record_->setCheckable(true);
    for (QLabel* label : {status_, line_})
        label->setWordWrap(true);
    auto* form1 = new QFormLayout;
    form1->addRow(QStringLiteral("Protocol"), protocol_);
    form1->addRow(QStringLiteral("Universe"), universe_);
    form1->addRow(QStringLiteral("Channels per LED"), layout_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(listen_);
    buttons->addWidget(record_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form1);
    column->addLayout(buttons);
    column->addWidget(status_);
    column->addWidget(line_);
    form.installEventFilter(this);
    connect(protocol_, &QComboBox::currentIndexChanged, this, &LiveInputDialog::updateControls);
    connect(listen_, &QPushButton::clicked, this,
            [this] { listening() ? stop() : void(listen()); });
    connect(record_, &QPushButton::clicked, this, [this](bool on) { setRecording(on); });
    updateControls();
}

// With the window: the form is half gone by now, so it is not touched.
LiveInputDialog::~LiveInputDialog() = default;

void LiveInputDialog::setListenAt(const QHostAddress& address, quint16 port) {
    address_ = address;
    port_ = port;
}

ListenOptions LiveInputDialog::options() const {
    static constexpr ReceivedPackets::Protocol Protocols[] = {ReceivedPackets::Protocol::E131,
                                                              ReceivedPackets::Protocol::ArtNet,
                                                              ReceivedPackets::Protocol::Ddp};
    ListenOptions options;
    options.setup.protocol = Protocols[std::clamp(protocol_->currentIndex(), 0, 2)];
    options.setup.universe = universe_->value();
    options.setup.layout =
        layout_->currentIndex() == 1 ? ChannelLayout::Single : ChannelLayout::Rgb;
    options.address = address_;
    options.port = port_;
    return options;
}

QString LiveInputDialog::listen() {
    stop();
    const ListenOptions options = this->options();
    const QString protocol = protocolName(options.setup.protocol);
    QString why = receiveSetupProblem(options.setup);
    auto receiver = std::make_unique<NetworkReceiver>(options);
    if (why.isEmpty())
        why = receiver->start();
    if (!why.isEmpty()) {
        why = QStringLiteral("%1: %2").arg(protocol, why);
        say(why);
        return why;
    }
    receiver_ = std::move(receiver);
    connect(receiver_.get(), &NetworkReceiver::frameReceived, this, &LiveInputDialog::showFrame);
    connect(receiver_.get(), &NetworkReceiver::statusChanged, this, &LiveInputDialog::showStatus);
    say(receiver_->groupProblem());
    showStatus();
    updateControls();
    return {};
}

void LiveInputDialog::stop() {
    if (recording())
        setRecording(false);
    if (!receiver_)
        return;
    receiver_.reset();
    last_.reset();
    form_.showLiveFrame(std::nullopt);
    status_->clear();
    updateControls();
}

// The take goes in before the window closes, so that it is asked to be saved.
bool LiveInputDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::Close && recording())
        setRecording(false);
    return QDialog::eventFilter(watched, event);
}

void LiveInputDialog::done(int result) {
    stop();
    QDialog::done(result);
}

void LiveInputDialog::showFrame(const PortIo::LevelFrame& levels) {
    last_ = levels;
    form_.showLiveFrame(levels);
    if (recording_ && !recording_->take(levels, clock_->now())) {
        const QString result = finishRecording();
        say(QStringLiteral("Recording stopped: an animation holds at most %1 images (%2)")
                .arg(LedFormat::MaxFrames)
                .arg(result));
        updateControls();
    }
}

void LiveInputDialog::showStatus() {
    if (receiver_)
        status_->setText(receiver_->statusLine());
}

QString LiveInputDialog::setRecording(bool on) {
    if (on == recording())
        return {};
    const QString why = on ? startRecording() : finishRecording();
    say(why);
    updateControls();
    return why;
}

// The frame on the board when Record is pressed is the take's first.
QString LiveInputDialog::startRecording() {
    if (!receiver_)
        return QStringLiteral("Listen first: Record takes what arrives");
    const Editor& editor = form_.editor();
    if (editor.hasEnded() || editor.playback().playing())
        return QStringLiteral("the animation cannot be changed while it plays");
    recording_.emplace(LedFormat::MaxFrames - editor.animation().imageCount());
    if (last_)
        recording_->take(*last_, clock_->now());
    return {};
}

// All the take goes in as one step. Refused (the animation was started
// meanwhile), it is kept and Record stays on, to be turned off again.
QString LiveInputDialog::finishRecording() {
    if (recording_->count() == 0) {
        recording_.reset();
        return QStringLiteral("Nothing recorded: no frame arrived");
    }
    LiveRecording::Take take = recording_->finish(clock_->now());
    const int count = static_cast<int>(take.frames.size());
    const QString why =
        form_.editor().recordFrames(take.frames, std::move(take.holdMs), take.levels);
    if (!why.isEmpty())
        return QStringLiteral("%1 recorded frames wait: %2").arg(count).arg(why);
    recording_.reset();
    return QStringLiteral("%1 frames recorded").arg(count);
}

void LiveInputDialog::updateControls() {
    const bool ddp = protocol_->currentIndex() == 2;
    universe_->setEnabled(!ddp && !listening());
    protocol_->setEnabled(!listening());
    layout_->setEnabled(!listening());
    listen_->setText(listening() ? QStringLiteral("Stop") : QStringLiteral("Listen"));
    record_->setEnabled(listening() || recording()); // a refused take can still be put in
    const QSignalBlocker quiet(record_);
    record_->setChecked(recording());
}

void LiveInputDialog::say(const QString& line) {
    line_->setText(line);
}
