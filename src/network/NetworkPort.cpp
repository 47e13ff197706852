#include "network/NetworkPort.h"

#include "network/NetworkPackets.h"

#include <QSettings>
#include <QSysInfo>

namespace {

using NetworkPackets::FirstUniverseSlots;

QByteArrayView firstSlots(const PanelMapping::Rgb& rgb) {
    return QByteArrayView(rgb.data(), FirstUniverseSlots);
}

QByteArrayView secondSlots(const PanelMapping::Rgb& rgb) {
    return QByteArrayView(rgb.data() + FirstUniverseSlots,
                          qsizetype(rgb.size()) - FirstUniverseSlots);
}

class DdpEncoder final : public FrameEncoder {
public:
    std::vector<QByteArray> frame(const PanelMapping::Rgb& rgb) override {
        sequence_ = std::uint8_t(sequence_ % 15 + 1);
        return {NetworkPackets::ddp(sequence_, QByteArrayView(rgb.data(), qsizetype(rgb.size())))};
    }

private:
    std::uint8_t sequence_ = 0;
};

// The CID names this installation to every E1.31 receiver: made once, then kept.
QUuid installationCid() {
    QSettings settings;
    const QString key = QStringLiteral("network/e131-cid");
    QUuid cid = QUuid::fromString(settings.value(key).toString());
    if (cid.isNull()) {
        cid = QUuid::createUuid();
        settings.setValue(key, cid.toString(QUuid::WithoutBraces));
    }
    return cid;
}

class E131Encoder final : public FrameEncoder {
public:
    explicit E131Encoder(int universe) : universe_(std::uint16_t(universe)) {
        source_.cid = installationCid();
        source_.name = QStringLiteral("quentaro on %1").arg(QSysInfo::machineHostName());
    }
    std::vector<QByteArray> frame(const PanelMapping::Rgb& rgb) override { return packets(rgb, 0); }
    std::vector<QByteArray> goodbye() override {
        std::vector<QByteArray> out;
        for (int i = 0; i < 3; ++i) {
            for (QByteArray& p : packets({}, NetworkPackets::E131StreamTerminated))
                out.push_back(std::move(p));
        }
        return out;
    }

private:
    std::vector<QByteArray> packets(const PanelMapping::Rgb& rgb, std::uint8_t options) {
        ++sequence_;
        return {NetworkPackets::e131(source_, universe_, sequence_, options, firstSlots(rgb)),
                NetworkPackets::e131(source_, std::uint16_t(universe_ + 1), sequence_, options,
                                     secondSlots(rgb))};
    }

    NetworkPackets::E131Source source_;
    std::uint16_t universe_;
    std::uint8_t sequence_ = 0;
};

class ArtNetEncoder final : public FrameEncoder {
public:
    explicit ArtNetEncoder(int universe) : universe_(std::uint16_t(universe)) {}
    std::vector<QByteArray> frame(const PanelMapping::Rgb& rgb) override {
        sequence_ = std::uint8_t(sequence_ % 255 + 1); // 0 would switch the ordering off
        return {NetworkPackets::artDmx(universe_, sequence_, firstSlots(rgb)),
                NetworkPackets::artDmx(std::uint16_t(universe_ + 1), sequence_, secondSlots(rgb))};
    }

private:
    std::uint16_t universe_;
    std::uint8_t sequence_ = 0;
};

} // namespace

std::unique_ptr<FrameEncoder> makeEncoder(const NetworkTarget& target) {
    switch (target.protocol) {
    case NetworkTarget::Protocol::E131:
        return std::make_unique<E131Encoder>(target.universe);
    case NetworkTarget::Protocol::ArtNet:
        return std::make_unique<ArtNetEncoder>(target.universe);
    case NetworkTarget::Protocol::Ddp:
        break;
    }
    return std::make_unique<DdpEncoder>();
}

QHostAddress e131Group(int universe) {
    return QHostAddress(quint32(0xEFFF0000u | (quint32(universe) & 0xFFFFu)));
}

NetworkPort::NetworkPort(const NetworkTarget& target, const PanelMapping& mapping, ErrorSink errors,
                         NetworkTiming timing)
    : target_(target), mapping_(mapping), errors_(std::move(errors)), timing_(timing),
      encoder_(makeEncoder(target)) {
    keepAlive_.setInterval(timing_.keepAliveMs);
    rateTimer_.setSingleShot(true);
    retryTimer_.setSingleShot(true);
    connect(&keepAlive_, &QTimer::timeout, this, &NetworkPort::sendNow);
    connect(&rateTimer_, &QTimer::timeout, this, &NetworkPort::sendNow);
    connect(&retryTimer_, &QTimer::timeout, this, &NetworkPort::lookUp);
    if (target_.multicast)
        address_ = e131Group(target_.universe);
    else
        lookUp();
}

NetworkPort::~NetworkPort() {
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
    if (!address_)
        return;
    // The output ends: a dark frame goes out now, whatever the rate, then
    // whatever tells the receiver that this source is gone.
    wanted_.reset();
    sendNow();
    for (const QByteArray& datagram : encoder_->goodbye())
        write(datagram);
}

void NetworkPort::showFrame(const PackedFrame& frame) {
    if (wanted_ == frame)
        return;
    wanted_ = frame;
    schedule();
}

void NetworkPort::blank() {
    if (!wanted_ && sinceSent_.isValid())
        return;
    wanted_.reset();
    schedule();
}

void NetworkPort::lookUp() {
    // An address needs no lookup and gets its answer at once, name or not.
    const QHostAddress literal(target_.host);
    if (!literal.isNull()) {
        QHostInfo info;
        info.setAddresses({literal});
        onLookedUp(info);
        return;
    }
    lookupId_ = QHostInfo::lookupHost(target_.host, this, &NetworkPort::onLookedUp);
}

void NetworkPort::onLookedUp(const QHostInfo& info) {
    lookupId_ = -1;
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            address_ = address;
            break;
        }
    }
    if (!address_) {
        const QString why = info.error() == QHostInfo::NoError ? QStringLiteral("no IPv4 address")
                                                               : info.errorString();
        report(QStringLiteral("%1: cannot find %2 (%3); trying again every %4 s")
                   .arg(where(), target_.host, why)
                   .arg(timing_.lookupRetryMs / 1000));
        retryTimer_.start(timing_.lookupRetryMs);
        return;
    }
    lastReport_.clear();
    keepAlive_.start();
    schedule();
}

void NetworkPort::schedule() {
    pending_ = true;
    if (!address_ || rateTimer_.isActive())
        return;
    const qint64 gap = 1000 / std::max(1, timing_.maxFramesPerSecond);
    const qint64 since = sinceSent_.isValid() ? sinceSent_.elapsed() : gap;
    if (since >= gap)
        sendNow();
    else
        rateTimer_.start(int(gap - since));
}

void NetworkPort::sendNow() {
    if (!address_)
        return;
    rateTimer_.stop();
    const PanelMapping::Rgb rgb = wanted_ ? mapping_.rgb(*wanted_) : PanelMapping::Rgb{};
    bool ok = true;
    for (const QByteArray& datagram : encoder_->frame(rgb))
        ok = write(datagram) && ok;
    if (ok && failing_)
        report(QStringLiteral("%1: sending again").arg(where()));
    failing_ = !ok;
    pending_ = false;
    sinceSent_.start();
    keepAlive_.start();
    emit sent();
}

bool NetworkPort::write(const QByteArray& datagram) {
    if (socket_.writeDatagram(datagram, *address_, target_.port) == datagram.size())
        return true;
    report(
        QStringLiteral("%1: cannot send (%2); trying again").arg(where(), socket_.errorString()));
    return false;
}

QString NetworkPort::where() const {
    const QString address = address_ ? address_->toString() : target_.host;
    return QStringLiteral("%1 to %2:%3").arg(target_.protocolName(), address).arg(target_.port);
}

void NetworkPort::report(const QString& line) {
    if (line == lastReport_)
        return;
    lastReport_ = line;
    if (errors_)
        errors_(line);
}
