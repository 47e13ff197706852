#pragma once

#include "bridge_protocol.h"
#include "port/PortIo.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

struct BridgeTiming {
    int readyTimeoutMs = 3000; // a board reset by the open boots within this
    int identTimeoutMs = 1000;
    int pingIntervalMs = 500; // the firmware darkens the board after 2 s of silence
    int pollIntervalMs = 1000;
    QString byIdDirectory = QStringLiteral("/dev/serial/by-id");
};

// The LED board behind the USB bridge: an ATmega328P that multiplexes the board
// itself and takes whole frames over USB serial. Never blocks: the handshake,
// the keep-alive and finding a replugged board all run on the event loop, and
// a board that is away or refused simply gets nothing.
class BridgePort final : public QObject, public PortIo {
    Q_OBJECT
public:
    using ErrorSink = std::function<void(const QString&)>;

    enum class Link {
        Waiting,       // closed, looking for the device every poll interval
        AwaitingReady, // open, the board is booting
        AwaitingIdent, // HELLO sent
        Up,
        Refused, // wrong protocol or no answer; tried again once it has been unplugged
    };
    Q_ENUM(Link)

    BridgePort(const QString& device, ErrorSink errors, BridgeTiming timing = {});
    ~BridgePort() override;

    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override;
    void blank() override;
    // Levels go out as four bit planes; a firmware that refuses them gets the
    // on/off frame of LEDs at half level or above, and this is said once.
    bool takesLevels() const override { return true; }
    void showLevels(const LevelFrame& levels) override;
    // Sent at once and after every handshake (HELLO puts the board back to
    // full); a firmware that refuses it keeps full light, and this is said once.
    void setBrightness(int percent) override;

    Link link() const { return link_; }

signals:
    void linkChanged(BridgePort::Link link);

private:
    void poll();
    QString presentPath() const;
    bool open(const QString& path);
    void startHandshake();
    void sendHello();
    void onHandshakeTimeout();
    void refuseVersion(int version);
    void onSerialError(QSerialPort::SerialPortError error);
    void drop(Link next, const QString& why);
    void readIncoming();
    void handle(const bp_packet& packet);
    void handleIdent(const bp_packet& packet);
    void handleNak(const bp_packet& packet);
    bool wasLevelPlane(std::uint8_t seq) const;
    void sendLevels(const LevelFrame& levels);
    void sendBrightness();
    void refuseDimming();
    void onPingTick();
    void endPartialPacket();
    void sendState();
    void send(std::uint8_t type, const std::uint8_t* payload = nullptr, std::uint8_t len = 0);
    void setLink(Link link);
    void report(const QString& line);

    QString device_;
    QString byIdPath_; // the stable name of device_, preferred when reconnecting
    QString openPath_;
    ErrorSink errors_;
    BridgeTiming timing_;
    QSerialPort serial_;
    QTimer handshakeTimer_;
    QTimer pingTimer_;
    QTimer pollTimer_;
    bp_decoder decoder_{};
    std::uint8_t nextSeq_ = 0;
    int readyVersion_ = BP_PROTOCOL_VERSION;
    Link link_ = Link::Waiting;
    // What the board is to show: a frame, levels, or nothing (dark).
    using Shown = std::variant<PackedFrame, LevelFrame>;
    std::optional<Shown> wanted_;
    bool levelsRefused_ = false; // by the firmware of this link
    std::uint8_t firstPlaneSeq_ = 0;
    bool planesSent_ = false;
    int brightness_ = BP_BRIGHTNESS_MAX;
    int boardBrightness_ = BP_BRIGHTNESS_MAX; // as last sent; 0 when a NAK left it unknown
    std::uint8_t brightnessSeq_ = 0;
    bool brightnessSent_ = false;
    bool dimmingRefused_ = false; // by the firmware of this link
    bool dimmingRefusalSaid_ = false;
    bool boardInSync_ = false;
    QString lastReport_;
};

// The device of a --port value of the form bridge:<serial device>; a bare name
// is taken under /dev.
std::optional<QString> bridgeDevice(const QString& portArgument);

std::unique_ptr<PortIo> openBridge(const QString& device, BridgePort::ErrorSink errors);
