#include "editor/Editor.h"

#include "editor/AnimationTimer.h"
#include "editor/InstanceCheck.h"
#include "frames/FrameStore.h"
#include "playback/SpeedLadder.h"
#include "port/Clock.h"
#include "port/PortSequences.h"

#include <QCoreApplication>
#include <QDebug>
#include <utility>

// Passes writes on to the real output until the program has ended; from then on
// nothing more may reach the matrix, whatever a handler still in progress does.
class Editor::GatedPort final : public PortIo {
public:
    explicit GatedPort(PortIo& inner) : inner_(inner) {}
    void writeData(std::uint8_t value) override {
        if (open_)
            inner_.writeData(value);
    }
    void writeControl(std::uint8_t value) override {
        if (open_)
            inner_.writeControl(value);
    }
    bool refreshesItself() const override { return inner_.refreshesItself(); }
    void showFrame(const PackedFrame& frame) override {
        if (open_)
            inner_.showFrame(frame);
    }
    void blank() override {
        if (open_)
            inner_.blank();
    }
    void close() { open_ = false; }

private:
    PortIo& inner_;
    bool open_ = true;
};

Editor::Editor(EditorServices services)
    : services_(std::move(services)), port_(std::make_unique<GatedPort>(services_.port)),
      rowPauseSeconds_(PortSequences::RowPause) {
    if (!services_.yield)
        services_.yield = [] { QCoreApplication::processEvents(); };
    if (!services_.waitForEvents)
        services_.waitForEvents = [] {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        };
    if (!services_.tell)
        services_.tell = [](const Message& message) {
            qWarning().noquote() << message.title << message.text;
        };
    if (!services_.endProgram)
        services_.endProgram = [] { QCoreApplication::exit(0); };
    services_.timer.setHandler([this] { tick(); });
}

Editor::~Editor() {
    services_.timer.setHandler({});
}

PortIo& Editor::port() {
    return *port_;
}

void Editor::afterHandler() {
    if (afterHandler_)
        afterHandler_();
}

void Editor::click(Control control) {
    using Handler = void (Editor::*)();
    static constexpr Handler handlers[ButtonCount] = {
        &Editor::Command1_Click,  &Editor::Command2_Click,  &Editor::Command3_Click,
        &Editor::Command4_Click,  &Editor::Command5_Click,  &Editor::Command6_Click,
        &Editor::Command7_Click,  &Editor::Command8_Click,  &Editor::Command9_Click,
        &Editor::Command10_Click, &Editor::Command11_Click, &Editor::Command12_Click,
        &Editor::Command13_Click, &Editor::Command14_Click, &Editor::Command15_Click,
        &Editor::Command16_Click, &Editor::Command17_Click, &Editor::Command18_Click,
        &Editor::Command19_Click, &Editor::Command20_Click, &Editor::Command21_Click,
        &Editor::Command22_Click, &Editor::Command23_Click, &Editor::Command24_Click,
        &Editor::Command25_Click, &Editor::Command26_Click, &Editor::Command27_Click,
        &Editor::Command28_Click, &Editor::Command33_Click,
    };
    if (ended_)
        return;
    std::optional<History::Side> before = sideBefore(control);
    History::Side* outer = std::exchange(replacedStore_, before ? &*before : nullptr);
    (this->*handlers[static_cast<std::size_t>(control)])();
    replacedStore_ = outer;
    record(std::move(before));
    afterHandler();
}

void Editor::mouseMove(int button, int shift, float xTwips, float yTwips) {
    if (ended_)
        return;
    Image3_MouseMove(button, shift, xTwips, yTwips);
}

void Editor::mouseUp(int button, int shift, float xTwips, float yTwips) {
    if (ended_)
        return;
    std::optional<History::Side> before =
        region(FrameStore::indexOf(State.CurrentImage, State.MouseCell), 1);
    Image3_MouseUp(button, shift, xTwips, yTwips);
    record(std::move(before));
    afterHandler();
}

void Editor::tick() {
    if (ended_)
        return;
    Timer2_Timer();
    afterHandler();
}

void Editor::close() {
    if (!ended_)
        Form_Unload();
}

void Editor::Form_Load() {
    State.IntervalMs = SpeedLadder::StartMs;
    State.Playing = 0;
    State.LptOn = 0;
    State.CurrentImage = 1;
    State.ImageCount = 1;
    panel_.label1 = QStringLiteral("3,3 Hz");
    panel_.setPicture(Control::Command12, Store::Image4);
    State.Frames.assign(FrameStore::CellsPerFrame, FrameStore::Dark);
    PortSequences::startup(
        port(), [this](float seconds) { Pause(seconds); }, State.Counter);
    Nulreg();
    Chitmat();
    // Timer1 is never used and stays off.
    if (services_.instanceCheck.anotherInstanceRunning()) {
        services_.tell({Message::Kind::Critical, QStringLiteral("Attention!"),
                        QStringLiteral("Program already started!!!")});
        ended_ = true;
        port_->close();
        services_.endProgram();
    }
}

void Editor::Form_Unload() {
    Nulreg();
    ended_ = true;
    port_->close();
    stopTimer();
    State.LptOn = 0;
    services_.endProgram();
}

void Editor::Nulreg() {
    PortSequences::nulreg(port());
    if (port().refreshesItself())
        port().blank();
}

// Waits at least `seconds`, keeping the program responsive meanwhile: any
// handler may run nested in here.
void Editor::Pause(float seconds) {
    Clock& clock = services_.clock;
    const auto deadline = clock.now() + Clock::atLeast(seconds);
    while (!ended_ && clock.now() < deadline)
        services_.yield();
}

void Editor::startTimer() {
    services_.timer.start();
    panel_.timerEnabled = true;
}

void Editor::stopTimer() {
    services_.timer.stop();
    panel_.timerEnabled = false;
}

void Editor::setLabel2() {
    panel_.label2 = QStringLiteral("%1/%2").arg(State.CurrentImage).arg(State.ImageCount);
}

void Editor::hideAllCells() {
    for (State.Cell = 0; State.Cell < FrameStore::CellsPerFrame; ++State.Cell)
        setCellShown(State.Cell, false);
}
