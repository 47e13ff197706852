#include "network/NetworkPort.h"

#include "network/NetworkPackets.h"
#include "port/MatrixOutput.h"

#include <QSettings>
#include <QSysInfo>
#include <algorithm>

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
    std::vector<Datagram> frame(const PanelMapping::Rgb& rgb) override {
        sequence_ = std::uint8_t(sequence_ % 15 + 1);
        return {
            {0, NetworkPackets::ddp(sequence_, QByteArrayView(rgb.data(), qsizetype(rgb.size())))}};
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
    std::vector<Datagram> frame(const PanelMapping::Rgb& rgb) override {
        const std::uint16_t syncAddress = sync_ ? syncAddress_ : 0;
        std::vector<Datagram> out = packets(rgb, 0, syncAddress);
        if (sync_)
            out.push_back({Datagram::SyncPart,
                           NetworkPackets::e131Sync(source_.cid, ++syncSequence_, syncAddress_)});
        return out;
    }
    // Terminated streams are dropped at once: nothing for a synchronisation to show.
    std::vector<Datagram> goodbye() override {
        std::vector<Datagram> out;
        for (int i = 0; i < 3; ++i) {
            for (Datagram& d : packets({}, NetworkPackets::E131StreamTerminated, 0))
                out.push_back(std::move(d));
        }
        return out;
    }
    void synchronise(bool on) override { sync_ = on; }

private:
    std::vector<Datagram> packets(const PanelMapping::Rgb& rgb, std::uint8_t options,
                                  std::uint16_t syncAddress) {
        ++sequence_;
        return {{0, NetworkPackets::e131(source_, universe_, sequence_, options, firstSlots(rgb),
                                         syncAddress)},
                {1, NetworkPackets::e131(source_, std::uint16_t(universe_ + 1), sequence_, options,
                                         secondSlots(rgb), syncAddress)}};
    }

    NetworkPackets::E131Source source_;
    std::uint16_t universe_;
    std::uint16_t syncAddress_ = std::uint16_t(syncUniverse(universe_));
    std::uint8_t sequence_ = 0;
    std::uint8_t syncSequence_ = 0; // a sequence of its own, as for a universe
    bool sync_ = false;
};

class ArtNetEncoder final : public FrameEncoder {
public:
    explicit ArtNetEncoder(int universe) : universe_(std::uint16_t(universe)) {}
    std::vector<Datagram> frame(const PanelMapping::Rgb& rgb) override {
        sequence_ = std::uint8_t(sequence_ % 255 + 1); // 0 would switch the ordering off
        std::vector<Datagram> out{
            {0, NetworkPackets::artDmx(universe_, sequence_, firstSlots(rgb))},
            {1, NetworkPackets::artDmx(std::uint16_t(universe_ + 1), sequence_, secondSlots(rgb))},
        };
        if (sync_)
            out.push_back({Datagram::SyncPart, NetworkPackets::artSync()});
        return out;
    }
    void synchronise(bool on) override { sync_ = on; }

private:
    std::uint16_t universe_;
    std::uint8_t sequence_ = 0;
    bool sync_ = false;
};

// The first IPv4 address that a panel can be at; a multicast output's is its group.
std::optional<QHostAddress> firstIPv4(const QHostInfo& info, bool group) {
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol &&
            (group || unusableAddress(address).isEmpty()))
            return address;
    }
    return std::nullopt;
}

// Why a lookup gave no address to send to.
QString notFound(const QHostInfo& info) {
    if (info.error() != QHostInfo::NoError)
        return info.errorString();
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return QStringLiteral("it is at %1, %2")
                .arg(address.toString(), unusableAddress(address));
    }
    return QStringLiteral("no IPv4 address");
}

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

int syncUniverse(int firstUniverse) {
    return firstUniverse + 2 <= E131Universes.highest ? firstUniverse + 2 : firstUniverse - 1;
}

// The on/off frame's rounding of colour * brightness / 100, with level / 15 as
// a third factor: exact at level 15.
PanelMapping::Rgb levelRgb(const PanelMapping& mapping, const PortIo::LevelFrame& levels) {
    constexpr int Max = MatrixOutput::MaxLevel;
    constexpr int Side = 16;
    const int percent = std::clamp(mapping.brightness, 0, 100);
    const std::uint8_t colour[3] = {mapping.colour.red, mapping.colour.green, mapping.colour.blue};
    PanelMapping::Rgb out{};
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column) {
            const int level = std::min<int>(levels[std::size_t(row * Side + column)], Max);
            const auto at = std::size_t(mapping.ledIndex(row, column) * 3);
            for (std::size_t c = 0; c < 3; ++c)
                out[at + c] = std::uint8_t((colour[c] * percent * level + 50 * Max) / (100 * Max));
        }
    }
    return out;
}

QHostAddress e131Group(int universe) {
    return QHostAddress(quint32(0xEFFF0000u | (quint32(universe) & 0xFFFFu)));
}

QHostAddress destination(const NetworkTarget& target, const QHostAddress& resolved, int part) {
    if (!target.multicast)
        return resolved;
    return e131Group(part == Datagram::SyncPart ? syncUniverse(target.universe)
                                                : target.universe + part);
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
    lookUp();
}

std::unique_ptr<NetworkPort> NetworkPort::open(const NetworkTarget& target, const PanelSetup& setup,
                                               ErrorSink errors) {
    NetworkTiming timing;
    timing.maxFramesPerSecond = setup.maxFps;
    auto port = std::make_unique<NetworkPort>(target, setup.mapping, std::move(errors), timing);
    port->setSetup(setup);
    return port;
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
    for (const Datagram& datagram : encoder_->goodbye())
        write(datagram);
}

void NetworkPort::showFrame(const PackedFrame& frame) {
    if (wanted_ == Shown(frame))
        return;
    wanted_ = frame;
    schedule();
}

void NetworkPort::showLevels(const LevelFrame& levels) {
    if (wanted_ == Shown(levels))
        return;
    wanted_ = levels;
    schedule();
}

void NetworkPort::blank() {
    if (!wanted_ && sinceSent_.isValid())
        return;
    wanted_.reset();
    schedule();
}

void NetworkPort::setSetup(const PanelSetup& setup) {
    mapping_ = setup.mapping;
    timing_.maxFramesPerSecond = setup.maxFps;
    sync_ = setup.syncUniverses;
    encoder_->synchronise(sync_);
    schedule();
}

void NetworkPort::lookUp() {
    // An address needs no lookup: its answer comes on the event loop all the
    // same, so that a frame given just after the port is made is the first sent.
    const QHostAddress literal =
        target_.multicast ? e131Group(target_.universe) : QHostAddress(target_.host);
    if (!literal.isNull()) {
        QHostInfo info;
        info.setAddresses({literal});
        QMetaObject::invokeMethod(
            this, [this, info] { onLookedUp(info); }, Qt::QueuedConnection);
        return;
    }
    lookupId_ = QHostInfo::lookupHost(target_.host, this, &NetworkPort::onLookedUp);
}

// A lookup that fails once the host was found keeps the address it gave.
void NetworkPort::onLookedUp(const QHostInfo& info) {
    lookupId_ = -1;
    const std::optional<QHostAddress> found = firstIPv4(info, target_.multicast);
    if (!found && address_)
        return;
    if (!found) {
        sinceFailure_.start();
        report(QStringLiteral("%1: cannot find %2 (%3); trying again every %4 s")
                   .arg(where(), target_.host, notFound(info))
                   .arg(timing_.lookupRetryMs / 1000));
        retryTimer_.start(timing_.lookupRetryMs);
        return;
    }
    address_ = found;
    keepAlive_.start();
    schedule();
}

int NetworkPort::msBeforeNextFrame() const {
    const int gap = 1000 / std::max(1, timing_.maxFramesPerSecond);
    if (!address_)
        return 0;
    if (rateTimer_.isActive())
        return std::max(0, rateTimer_.remainingTime()) + gap;
    if (!sinceSent_.isValid())
        return 0;
    return static_cast<int>(std::max<qint64>(0, gap - sinceSent_.elapsed()));
}

void NetworkPort::schedule() {
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
    PanelMapping::Rgb rgb{};
    if (wanted_ && std::holds_alternative<PackedFrame>(*wanted_))
        rgb = mapping_.rgb(std::get<PackedFrame>(*wanted_));
    else if (wanted_)
        rgb = levelRgb(mapping_, std::get<LevelFrame>(*wanted_));
    bool ok = true;
    for (const Datagram& datagram : encoder_->frame(rgb))
        ok = write(datagram) && ok;
    if (ok && sinceFailure_.isValid() && sinceFailure_.elapsed() >= timing_.recoveryQuietMs) {
        sinceFailure_.invalidate();
        failingFor_.invalidate();
        report(QStringLiteral("%1: sending again").arg(where()));
    }
    sinceSent_.start();
    keepAlive_.start();
    emit sent();
}

bool NetworkPort::write(const Datagram& datagram) {
    UdpLink& link = links_[target_.multicast ? std::size_t(datagram.part) : 0];
    const UdpLink::Result result =
        link.send(destination(target_, *address_, datagram.part), target_.port, datagram.bytes);
    if (result.outcome == UdpLink::Outcome::Sent)
        return true;
    failed(result);
    return false;
}

// The output goes on sending; a host given by name is looked up again now and
// then, as it may have another address by now.
void NetworkPort::failed(const UdpLink::Result& result) {
    sinceFailure_.start();
    if (!failingFor_.isValid())
        failingFor_.start();
    if (result.outcome == UdpLink::Outcome::Refused)
        report(QStringLiteral("%1: refused, nothing listens on that port; still sending")
                   .arg(where()));
    else
        report(QStringLiteral("%1: cannot send (%2); still trying").arg(where(), result.why));
    const bool named = QHostAddress(target_.host).isNull() && !target_.multicast;
    if (named && lookupId_ < 0 && failingFor_.elapsed() >= timing_.lookupRetryMs) {
        failingFor_.restart();
        lookUp();
    }
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
