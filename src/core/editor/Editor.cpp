#include "editor/Editor.h"

#include "editor/InstanceCheck.h"
#include "frames/FrameStore.h"
#include "playback/SpeedLadder.h"
#include "port/Clock.h"
#include "port/MatrixOutput.h"
#include "port/PortSequences.h"
#include "port/RefreshEngine.h"

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
      playback_(services_.timer), rowPauseSeconds_(PortSequences::RowPause) {
    chooseOutput();
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
    playback_.onTick([this] { tick(); });
}

Editor::~Editor() {
    playback_.onTick({});
}

PortIo& Editor::port() {
    return *port_;
}

void Editor::afterHandler() {
    showOnMatrix();
    if (afterHandler_)
        afterHandler_();
}

void Editor::runClick(Control control) {
    switch (control) {
    case Control::MinSpeed:
        return Command1_Click();
    case Control::ReduceSpeed:
        return Command2_Click();
    case Control::EnlargeSpeed:
        return Command3_Click();
    case Control::MaxSpeed:
        return Command4_Click();
    case Control::VerticalFlip:
        return Command5_Click();
    case Control::ShiftUp:
        return Command6_Click();
    case Control::HorizontalFlip:
        return Command7_Click();
    case Control::Copy:
        return Command8_Click();
    case Control::ShiftLeft:
        return Command9_Click();
    case Control::Invert:
        return Command10_Click();
    case Control::ShiftRight:
        return Command11_Click();
    case Control::SetOrClearAll:
        return Command12_Click();
    case Control::RotateLeft:
        return Command13_Click();
    case Control::ShiftDown:
        return Command14_Click();
    case Control::RotateRight:
        return Command15_Click();
    case Control::Paste:
        return Command16_Click();
    case Control::LoadFile:
        return Command17_Click();
    case Control::NewFile:
        return Command18_Click();
    case Control::LptButton:
        return Command19_Click();
    case Control::SaveFile:
        return Command20_Click();
    case Control::FirstImage:
        return Command21_Click();
    case Control::PreviousImage:
        return Command22_Click();
    case Control::NextImage:
        return Command23_Click();
    case Control::LastImage:
        return Command24_Click();
    case Control::AddImage:
        return Command25_Click();
    case Control::DeleteImage:
        return Command26_Click();
    case Control::MatrixButton:
        return Command27_Click();
    case Control::Slideshow:
        return Command28_Click();
    case Control::StartStop:
        return Command33_Click();
    }
}

template <typename Handler> void Editor::recordChange(Handler handler) {
    History::Step step{nullptr, view()};
    History::Step* outer = std::exchange(pending_, &step);
    handler();
    pending_ = outer;
    record(std::move(step));
}

void Editor::click(Control control) {
    if (ended_)
        return;
    matchesDisk_ = false;
    recordChange([&] { runClick(control); });
    settleSavedState();
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
    recordChange([&] { Image3_MouseUp(button, shift, xTwips, yTwips); });
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
    playback_.setIntervalMs(SpeedLadder::StartMs);
    stopPlaying();
    outputModes_.switchLptOff();
    animation_.setCurrentImage(1);
    animation_.setImageCount(1);
    panel_.label1 = QStringLiteral("3,3 Hz");
    panel_.setPicture(Control::SetOrClearAll, Store::Image4);
    animation_.replaceContent({Animation::darkFrames(1), {}});
    PortSequences::startup(
        port(), [this](float seconds) { Pause(seconds); }, work_.Counter);
    Nulreg();
    Chitmat();
    // Timer1 is never used and stays off.
    if (services_.instanceCheck.anotherInstanceRunning()) {
        services_.tell({Message::Kind::Critical, QStringLiteral("Attention!"),
                        services_.instanceCheck.refusalMessage()});
        ended_ = true;
        output().close();
        port_->close();
        services_.endProgram();
    }
}

void Editor::Form_Unload() {
    settleWaitingTake(); // the recovery copy then keeps it
    Nulreg();
    ended_ = true;
    output().close();
    port_->close();
    stopPlaying();
    outputModes_.switchLptOff();
    services_.endProgram();
}

void Editor::Nulreg() {
    output().darken();
}

// Waits at least `seconds`, keeping the program responsive meanwhile: any
// handler may run nested in here.
void Editor::Pause(float seconds) {
    Clock& clock = services_.clock;
    const auto deadline = clock.now() + Clock::atLeast(seconds);
    while (!ended_ && clock.now() < deadline)
        services_.yield();
}

void Editor::startPlaying() {
    if (animation_.hasHoldTimes())
        applyFrameTime(); // the frame shown first stays its own time too
    else if (playback_.onFrameTime() && playback_.applyInterval())
        panel_.timerInterval = playback_.intervalMs(); // not a hold time left behind
    playback_.play();
    panel_.timerEnabled = true;
}

void Editor::stopPlaying() {
    playback_.stop();
    panel_.timerEnabled = false;
}

void Editor::setLabel2() {
    panel_.label2 =
        QStringLiteral("%1/%2").arg(animation_.currentImage()).arg(animation_.imageCount());
}

void Editor::hideAllCells() {
    for (work_.Cell = 0; work_.Cell < FrameStore::CellsPerFrame; ++work_.Cell)
        setCellShown(work_.Cell, false);
}
