#include "bridge/BridgePort.h"

#include "port/MatrixOutput.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr int FlushTimeoutMs = 250;

// The entry of byIdDirectory that links to device, or nothing when the device
// is already named from there or has no such entry.
QString byIdNameOf(const QString& device, const QString& byIdDirectory) {
    const QDir dir(byIdDirectory);
    if (QFileInfo(device).absolutePath() == dir.absolutePath())
        return {};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && entry.canonicalFilePath() == target)
            return entry.absoluteFilePath();
    }
    return {};
}

QString openFailure(const QString& path, const QSerialPort& serial) {
    QString line = path + QStringLiteral(": cannot open the USB bridge: ") + serial.errorString();
    if (serial.error() == QSerialPort::PermissionError)
        line += QStringLiteral(" (join the group 'dialout' to reach it)");
    return line;
}

} // namespace

BridgePort::BridgePort(const QString& device, ErrorSink errors, BridgeTiming timing)
    : device_(device), errors_(std::move(errors)), timing_(std::move(timing)) {
    bp_decoder_init(&decoder_);
    handshakeTimer_.setSingleShot(true);
    pingTimer_.setInterval(timing_.pingIntervalMs);
    pollTimer_.setInterval(timing_.pollIntervalMs);
    connect(&handshakeTimer_, &QTimer::timeout, this, &BridgePort::onHandshakeTimeout);
    connect(&pingTimer_, &QTimer::timeout, this, &BridgePort::onPingTick);
    connect(&pollTimer_, &QTimer::timeout, this, &BridgePort::poll);
    connect(&serial_, &QSerialPort::readyRead, this, &BridgePort::readIncoming);
    connect(&serial_, &QSerialPort::errorOccurred, this, &BridgePort::onSerialError);
    pollTimer_.start();
    if (!QFileInfo::exists(device_))
        report(device_ + QStringLiteral(": no USB bridge there; waiting for it to be plugged in"));
    poll();
}

BridgePort::~BridgePort() {
    if (link_ != Link::Up)
        return;
    send(BP_BLANK);
    while (serial_.bytesToWrite() > 0 && serial_.waitForBytesWritten(FlushTimeoutMs)) {
    }
    serial_.close();
}

void BridgePort::showFrame(const PackedFrame& frame) {
    if (boardInSync_ && wanted_ == Shown(frame))
        return;
    wanted_ = frame;
    boardInSync_ = false;
    sendState();
}

void BridgePort::showLevels(const LevelFrame& levels) {
    LevelFrame clamped;
    std::transform(levels.begin(), levels.end(), clamped.begin(),
                   [](std::uint8_t level) { return std::min<std::uint8_t>(level, BP_LEVEL_MAX); });
    if (boardInSync_ && wanted_ == Shown(clamped))
        return;
    wanted_ = clamped;
    boardInSync_ = false;
    sendState();
}

void BridgePort::setBrightness(int percent) {
    brightness_ = std::clamp(percent, int(BP_BRIGHTNESS_MIN), int(BP_BRIGHTNESS_MAX));
    sendBrightness();
}

void BridgePort::blank() {
    if (boardInSync_ && !wanted_)
        return;
    wanted_.reset();
    boardInSync_ = false;
    sendState();
}

void BridgePort::poll() {
    const QString path = presentPath();
    if (link_ == Link::Refused && path.isEmpty())
        setLink(Link::Waiting);
    else if (link_ == Link::Waiting && !path.isEmpty() && open(path))
        startHandshake();
}

QString BridgePort::presentPath() const {
    for (const QString& path : {byIdPath_, device_}) {
        if (!path.isEmpty() && QFileInfo::exists(path))
            return path;
    }
    return {};
}

bool BridgePort::open(const QString& path) {
    serial_.setPortName(path);
    if (!serial_.open(QIODevice::ReadWrite)) {
        report(openFailure(path, serial_));
        serial_.clearError();
        return false;
    }
    // A pseudo-terminal standing in for the board takes any rate or none.
    if (!serial_.setBaudRate(BP_BAUD_RATE) || !serial_.setDataBits(QSerialPort::Data8) ||
        !serial_.setParity(QSerialPort::NoParity) || !serial_.setStopBits(QSerialPort::OneStop) ||
        !serial_.setFlowControl(QSerialPort::NoFlowControl)) {
        serial_.clearError();
    }
    openPath_ = path;
    if (path == device_)
        byIdPath_ = byIdNameOf(device_, timing_.byIdDirectory);
    return true;
}

void BridgePort::startHandshake() {
    bp_decoder_init(&decoder_);
    readyVersion_ = BP_PROTOCOL_VERSION;
    boardInSync_ = false;
    levelsRefused_ = false; // the board may have new firmware now
    planesSent_ = false;
    dimmingRefused_ = false;
    setLink(Link::AwaitingReady);
    handshakeTimer_.start(timing_.readyTimeoutMs);
}

// Also sent when no READY came: a board that was not reset by the open is
// running already and answers HELLO all the same.
void BridgePort::sendHello() {
    const std::uint8_t version = BP_PROTOCOL_VERSION;
    setLink(Link::AwaitingIdent);
    brightnessSent_ = false;
    boardBrightness_ = BP_BRIGHTNESS_MAX; // what HELLO sets
    endPartialPacket();
    send(BP_HELLO, &version, 1);
    handshakeTimer_.start(timing_.identTimeoutMs);
}

void BridgePort::onHandshakeTimeout() {
    if (link_ == Link::AwaitingReady)
        sendHello();
    else if (link_ == Link::AwaitingIdent && readyVersion_ != BP_PROTOCOL_VERSION)
        refuseVersion(readyVersion_);
    else if (link_ == Link::AwaitingIdent)
        drop(Link::Refused,
             openPath_ +
                 QStringLiteral(": no answer from the USB bridge (is its firmware loaded?)"));
}

void BridgePort::refuseVersion(int version) {
    drop(Link::Refused, openPath_ + QStringLiteral(": the USB bridge speaks bridge protocol %1, "
                                                   "this program speaks %2")
                                        .arg(version)
                                        .arg(BP_PROTOCOL_VERSION));
}

void BridgePort::onSerialError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !serial_.isOpen())
        return;
    drop(Link::Waiting, openPath_ + QStringLiteral(": the USB bridge went away (") +
                            serial_.errorString() +
                            QStringLiteral("); waiting for it to come back"));
}

void BridgePort::drop(Link next, const QString& why) {
    report(why);
    handshakeTimer_.stop();
    pingTimer_.stop();
    boardInSync_ = false;
    serial_.close();
    serial_.clearError();
    setLink(next);
}

void BridgePort::readIncoming() {
    const QByteArray bytes = serial_.readAll();
    for (const char byte : bytes) {
        bp_packet packet;
        if (bp_decoder_feed(&decoder_, std::uint8_t(byte), &packet) == BP_OK)
            handle(packet);
    }
}

void BridgePort::handle(const bp_packet& packet) {
    switch (packet.type) {
    case BP_READY:
        // Also when the link is up: the board has restarted and shows nothing.
        readyVersion_ = packet.len >= 1 ? packet.payload[0] : BP_PROTOCOL_VERSION;
        boardInSync_ = false;
        if (link_ != Link::Waiting && link_ != Link::Refused)
            sendHello();
        break;
    case BP_IDENT:
        handleIdent(packet);
        break;
    case BP_NAK:
        handleNak(packet);
        break;
    default:
        break;
    }
}

void BridgePort::handleIdent(const bp_packet& packet) {
    if (link_ != Link::AwaitingIdent)
        return;
    handshakeTimer_.stop();
    if (packet.len < BP_IDENT_PAYLOAD || packet.payload[0] != BP_PROTOCOL_VERSION) {
        refuseVersion(packet.len >= 1 ? packet.payload[0] : 0);
        return;
    }
    lastReport_.clear();
    setLink(Link::Up);
    pingTimer_.start();
    sendState();
}

// The refused packet may have been the frame; the next tick sends it again. A
// firmware that does not know the level planes gets the on/off frame at once.
void BridgePort::handleNak(const bp_packet& packet) {
    const bool typeRefused = packet.len >= 1 && packet.payload[0] == BP_ERR_TYPE;
    if (brightnessSent_ && packet.seq == brightnessSeq_) {
        if (typeRefused) {
            refuseDimming();
            return;
        }
        boardBrightness_ = 0; // sent again with the state on the next tick
    }
    if (typeRefused && wasLevelPlane(packet.seq)) {
        if (levelsRefused_)
            return; // the other planes of the same frame, refused as well
        levelsRefused_ = true;
        report(openPath_ + QStringLiteral(": the USB bridge's firmware shows no grey levels; it "
                                          "lights the LEDs at half level or above (load the new "
                                          "firmware for grey levels)"));
        boardInSync_ = false;
        endPartialPacket();
        sendState();
        return;
    }
    boardInSync_ = false;
    endPartialPacket();
}

void BridgePort::refuseDimming() {
    dimmingRefused_ = true;
    if (dimmingRefusalSaid_)
        return;
    dimmingRefusalSaid_ = true;
    report(openPath_ + QStringLiteral(": the USB bridge's firmware cannot dim the board; it stays "
                                      "at full brightness (load the new firmware to dim it)"));
}

bool BridgePort::wasLevelPlane(std::uint8_t seq) const {
    return planesSent_ && std::uint8_t(seq - firstPlaneSeq_) < BP_LEVEL_PLANES;
}

void BridgePort::onPingTick() {
    if (!boardInSync_)
        sendState();
    else if (wanted_)
        send(BP_PING);
}

void BridgePort::sendState() {
    if (link_ != Link::Up)
        return;
    sendBrightness();
    if (!wanted_)
        send(BP_BLANK);
    else if (const auto* frame = std::get_if<PackedFrame>(&*wanted_))
        send(BP_FRAME, frame->data(), std::uint8_t(frame->size()));
    else
        sendLevels(std::get<LevelFrame>(*wanted_));
    boardInSync_ = true;
}

void BridgePort::sendLevels(const LevelFrame& levels) {
    if (levelsRefused_) {
        const PackedFrame frame = MatrixOutput::halfLevelFrame(levels);
        send(BP_FRAME, frame.data(), std::uint8_t(frame.size()));
        return;
    }
    firstPlaneSeq_ = nextSeq_;
    planesSent_ = true;
    for (std::uint8_t plane = 0; plane < BP_LEVEL_PLANES; ++plane) {
        std::uint8_t payload[BP_FRAME_PAYLOAD];
        bp_level_plane(levels.data(), plane, payload);
        send(std::uint8_t(BP_LEVEL_PLANE(plane)), payload, BP_FRAME_PAYLOAD);
    }
}

void BridgePort::sendBrightness() {
    if (link_ != Link::Up || dimmingRefused_ || boardBrightness_ == brightness_)
        return;
    const std::uint8_t percent = std::uint8_t(brightness_);
    brightnessSeq_ = nextSeq_;
    brightnessSent_ = true;
    boardBrightness_ = brightness_;
    send(BP_BRIGHTNESS, &percent, 1);
}

// A lone delimiter ends whatever part of a packet the device may still hold
// (line noise at the open, a packet cut off), so the next packet starts clean.
void BridgePort::endPartialPacket() {
    const char delimiter = 0;
    serial_.write(&delimiter, 1);
}

void BridgePort::send(std::uint8_t type, const std::uint8_t* payload, std::uint8_t len) {
    bp_packet packet{};
    packet.type = type;
    packet.seq = nextSeq_++;
    packet.len = len;
    std::copy(payload, payload + len, packet.payload);
    std::uint8_t wire[BP_MAX_ENCODED];
    const std::size_t n = bp_encode(&packet, wire, sizeof wire);
    serial_.write(reinterpret_cast<const char*>(wire), qint64(n));
    if (link_ == Link::Up)
        pingTimer_.start(); // any packet keeps the board lit as well as a PING
}

void BridgePort::setLink(Link link) {
    if (link_ == link)
        return;
    link_ = link;
    emit linkChanged(link);
}

void BridgePort::report(const QString& line) {
    if (line == lastReport_)
        return;
    lastReport_ = line;
    if (errors_)
        errors_(line);
}

std::optional<QString> bridgeDevice(const QString& portArgument) {
    static const QString prefix = QStringLiteral("bridge:");
    if (!portArgument.startsWith(prefix))
        return std::nullopt;
    const QString device = portArgument.mid(prefix.size());
    if (device.isEmpty())
        return std::nullopt;
    return device.contains(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

std::unique_ptr<PortIo> openBridge(const QString& device, BridgePort::ErrorSink errors) {
    return std::make_unique<BridgePort>(device, std::move(errors));
}
