#include "network/receive/NetworkReceiver.h"

#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSysInfo>
#include <chrono>

using namespace ReceivedPackets;

namespace {

constexpr int TickMs = 250;
constexpr int MaxSyncGroups = 8; // groups joined for synchronisation addresses

quint16 standardPort(Protocol protocol) {
    switch (protocol) {
    case Protocol::E131:
        return NetworkPackets::E131Port;
    case Protocol::ArtNet:
        return NetworkPackets::ArtNetPort;
    case Protocol::Ddp:
        break;
    }
    return NetworkPackets::DdpPort;
}

} // namespace

NetworkReceiver::NetworkReceiver(ListenOptions options, Clock* clock, QObject* parent)
    : QObject(parent), options_(std::move(options)),
      ownClock_(clock ? nullptr : std::make_unique<SteadyClock>()),
      clock_(clock ? clock : ownClock_.get()), frames_(options_.setup) {
    if (options_.port == 0)
        options_.port = standardPort(options_.setup.protocol);
    if (options_.longName.isEmpty())
        options_.longName =
            QStringLiteral("Quentaro 16 x 16 LED board on %1").arg(QSysInfo::machineHostName());
    ticker_.setInterval(TickMs);
    connect(&ticker_, &QTimer::timeout, this, &NetworkReceiver::tick);
    // What is left unread makes the socket tell again on the next turn.
    connect(&socket_, &QUdpSocket::readyRead, this, &NetworkReceiver::read);
}

NetworkReceiver::~NetworkReceiver() = default;

QString NetworkReceiver::start() {
    stop();
    if (const QString problem = receiveSetupProblem(options_.setup); !problem.isEmpty())
        return bindError_ = problem;
    // Shared, as lighting programs share these ports: multicast and broadcast
    // datagrams reach every program listening, a unicast one only one of them.
    const auto shared = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    if (!socket_.bind(options_.address, options_.port, shared))
        return bindError_ = QStringLiteral("cannot listen on %1:%2 (%3)")
                                .arg(options_.address.toString())
                                .arg(options_.port)
                                .arg(socket_.errorString());
    bindError_.clear();
    if (options_.setup.protocol == Protocol::E131) {
        for (int universe : boardUniverses(options_.setup))
            joinGroup(universe);
    }
    secondStart_ = now();
    ticker_.start();
    return {};
}

void NetworkReceiver::stop() {
    ticker_.stop();
    socket_.close();
    joined_.clear();
}

bool NetworkReceiver::listening() const {
    return socket_.state() == QAbstractSocket::BoundState;
}

quint16 NetworkReceiver::localPort() const {
    return socket_.localPort();
}

std::vector<QHostAddress> NetworkReceiver::groups() const {
    std::vector<QHostAddress> out;
    for (int universe : joined_)
        out.push_back(e131Group(universe));
    return out;
}

// On 127.0.0.1 no group can reach the socket: nothing is joined there.
void NetworkReceiver::joinGroup(int universe) {
    const QHostAddress& bound = options_.address;
    if (joined_.count(universe) || bound.isLoopback())
        return;
    bool ok = false;
    if (bound == QHostAddress::AnyIPv4) {
        ok = socket_.joinMulticastGroup(e131Group(universe));
    } else {
        for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
            for (const QNetworkAddressEntry& entry : i.addressEntries()) {
                if (entry.ip() == bound)
                    ok = socket_.joinMulticastGroup(e131Group(universe), i);
            }
        }
    }
    if (ok)
        joined_.insert(universe);
    else
        status_.lastError = QStringLiteral("cannot join the group %1 of universe %2 (%3)")
                                .arg(e131Group(universe).toString())
                                .arg(universe)
                                .arg(socket_.errorString());
}

void NetworkReceiver::read() {
    for (int i = 0; i < options_.datagramsPerTurn && socket_.hasPendingDatagrams(); ++i)
        take(socket_.receiveDatagram());
}

void NetworkReceiver::take(const QNetworkDatagram& datagram) {
    if (!datagram.isValid())
        return;
    ++packetsThisSecond_;
    const Packet packet = decode(options_.setup.protocol, datagram.data());
    const Sender from{QHostAddress(datagram.senderAddress().toIPv4Address()).toString(),
                      quint16(datagram.senderPort())};
    const ReceivedFrames::Outcome outcome = frames_.take(now(), from, packet);
    if (!outcome.refused.isEmpty()) {
        ++status_.refused;
        status_.lastError = QStringLiteral("%1 (from %2)").arg(outcome.refused, from.address);
    }
    if (const auto* data = std::get_if<E131Data>(&packet);
        data && data->syncAddress != 0 && int(joined_.size()) < MaxSyncGroups)
        joinGroup(data->syncAddress);
    answer(packet, datagram);
    if (outcome.frame)
        show(*outcome.frame);
}

// Answers go back to where the question came from, a limited number a second
// so that a flood of polls is not a flood of replies.
void NetworkReceiver::answer(const Packet& packet, const QNetworkDatagram& datagram) {
    const auto* poll = std::get_if<ArtPoll>(&packet);
    const auto* query = std::get_if<DdpStatusQuery>(&packet);
    if (!poll && !query)
        return;
    const std::vector<int> universes = boardUniverses(options_.setup);
    if (poll && !answersPoll(*poll, universes))
        return;
    if (answersThisSecond_ >= options_.answersPerSecond)
        return;
    ++answersThisSecond_;
    NodeIdentity node{addressFor(datagram.senderAddress()),
                      options_.shortName,
                      options_.longName,
                      options_.version,
                      universes,
                      ++replies_};
    const std::vector<QByteArray> answers =
        poll ? artPollReplies(node) : std::vector<QByteArray>{ddpStatusReply(node, *query)};
    for (const QByteArray& bytes : answers)
        socket_.writeDatagram(bytes, datagram.senderAddress(), quint16(datagram.senderPort()));
}

// The node's address as the asker reaches it: the one bound, the one on the
// asker's network, or 0 (the asker then takes the reply's source address).
quint32 NetworkReceiver::addressFor(const QHostAddress& asker) const {
    if (options_.address != QHostAddress::AnyIPv4)
        return options_.address.toIPv4Address();
    const QHostAddress from(asker.toIPv4Address());
    if (from.isLoopback())
        return QHostAddress(QHostAddress::LocalHost).toIPv4Address();
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : i.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                from.isInSubnet(entry.ip(), entry.prefixLength()))
                return entry.ip().toIPv4Address();
        }
    }
    return 0;
}

void NetworkReceiver::show(const PortIo::LevelFrame& levels) {
    ++framesThisSecond_;
    emit frameReceived(levels);
}

void NetworkReceiver::tick() {
    const ReceivedFrames::Time t = now();
    if (const std::optional<PortIo::LevelFrame> frame = frames_.advance(t))
        show(*frame);
    const double seconds = std::chrono::duration<double>(t - secondStart_).count();
    if (seconds >= 1.0) {
        status_.framesPerSecond = framesThisSecond_ / seconds;
        status_.packetsPerSecond = packetsThisSecond_ / seconds;
        framesThisSecond_ = packetsThisSecond_ = answersThisSecond_ = 0;
        secondStart_ = t;
    }
    status_.sources = frames_.sourceNames();
    if (status_ == told_)
        return;
    told_ = status_;
    emit statusChanged();
}

QString NetworkReceiver::statusLine() const {
    const QString protocol = protocolName(options_.setup.protocol);
    if (!listening())
        return QStringLiteral("%1: not listening%2")
            .arg(protocol, bindError_.isEmpty() ? QString() : QStringLiteral(": ") + bindError_);
    QString line =
        status_.sources.isEmpty()
            ? QStringLiteral("%1 on port %2: waiting for a source").arg(protocol).arg(localPort())
            : QStringLiteral("%1 from %2: %3 frames/s, %4 packets/s")
                  .arg(protocol, status_.sources)
                  .arg(status_.framesPerSecond, 0, 'f', 1)
                  .arg(status_.packetsPerSecond, 0, 'f', 0);
    if (!status_.lastError.isEmpty())
        line += QStringLiteral("; last problem: %1").arg(status_.lastError);
    return line;
}

ReceivedFrames::Time NetworkReceiver::now() const {
    return std::chrono::duration_cast<ReceivedFrames::Time>(clock_->now());
}
