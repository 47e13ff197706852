#pragma once

#include "frames/FrameStore.h"
#include "network/receive/NetworkReceiver.h"
#include "port/Clock.h"

#include <QDialog>
#include <memory>
#include <vector>

class Form1;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Frames recorded from a live input: one for each change, each held until the
// next change came, the last until the recording ended.
class LiveRecording {
public:
    using Time = Clock::Duration;
    struct Take {
        std::vector<FrameStore::Frame> frames; // level bytes (FrameStore::cellForLevel)
        std::vector<std::uint16_t> holdMs;     // 40 ... 65535
        bool levels = false;                   // a LED between dark and full light
    };

    // `room`: how many frames the animation can still take.
    explicit LiveRecording(int room) : room_(room) {}
    // False, taking nothing, when the frame is new and there is no room for it.
    bool take(const PortIo::LevelFrame& levels, Time at);
    Take finish(Time end) const;
    int count() const { return static_cast<int>(levels_.size()); }

private:
    int room_;
    std::vector<PortIo::LevelFrame> levels_;
    std::vector<Time> times_;
};

// "Live input…": listens for E1.31, Art-Net or DDP and shows what arrives on
// the editor's board in place of the image, without changing the animation.
// Record turns each change into a new frame after the current image, put in
// as one step when Record is turned off. Not modal: the editor goes on.
class LiveInputDialog final : public QDialog {
    Q_OBJECT
public:
    // `clock` (kept by the caller) times the recorded frames; none: the steady clock.
    explicit LiveInputDialog(Form1& form, Clock* clock = nullptr);
    ~LiveInputDialog() override;

    // Where tests listen (127.0.0.1 on a port of their own) instead of every
    // interface on the protocol's own port.
    void setListenAt(const QHostAddress& address, quint16 port);
    bool listening() const { return receiver_ != nullptr; }
    bool recording() const { return recording_.has_value(); }

    // Empty when listening, else why not (also said in the dialog).
    QString listen();
    void stop();
    // Turns Record on or off; on refusal the reason, also said in the dialog.
    QString setRecording(bool on);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListenOptions options() const;
    void showFrame(const PortIo::LevelFrame& levels);
    void showStatus();
    QString startRecording();
    QString finishRecording();
    void updateControls();
    void say(const QString& line);

    Form1& form_;
    std::unique_ptr<SteadyClock> ownClock_;
    Clock* clock_;
    QHostAddress address_ = QHostAddress::AnyIPv4;
    quint16 port_ = 0;
    std::unique_ptr<NetworkReceiver> receiver_;
    std::optional<PortIo::LevelFrame> last_;
    std::optional<LiveRecording> recording_;
    QComboBox* protocol_;
    QSpinBox* universe_;
    QComboBox* layout_;
    QPushButton* listen_;
    QPushButton* record_;
    QLabel* status_;
    QLabel* line_;
};
