#include "network/receive/NetworkReceiver.h"

#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>
#include <chrono>

using namespace ReceivedPackets;

namespace {

constexpr int TickMs = 250;
constexpr int MaxSyncGroups = 8; // groups joined for synchronisation addresses
constexpr std::chrono::seconds RateWindow{5};
constexpr std::size_t MaxProblemKinds = 32;

// A problem's kind: its text with numbers, addresses and quoted names left out.
QString kindOf(QString problem) {
    static const QRegularExpression quoted(QStringLiteral("\"[^\"]*\""));
    static const QRegularExpression number(QStringLiteral("0x[0-9a-fA-F]+|[0-9]+"));
    return problem.replace(quoted, QStringLiteral("\"\"")).replace(number, QStringLiteral("#"));
}

bool isData(const ReceivedPackets::Packet& packet) {
    return std::holds_alternative<E131Data>(packet) || std::holds_alternative<ArtDmx>(packet);
}

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
    interface_ = {};
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : i.addressEntries()) {
            if (entry.ip() == options_.address)
                interface_ = i;
        }
    }
    if (options_.setup.protocol == Protocol::E131) {
        for (int universe : boardUniverses(options_.setup))
            joinGroup(universe);
    }
    secondStart_ = thisTick_.since = now();
    rateWindow_.clear();
    ticker_.start();
    return {};
}

void NetworkReceiver::stop() {
    ticker_.stop();
    socket_.close();
    joined_.clear();
    unjoinable_.clear();
    followed_.clear();
    groupProblem_.clear();
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

// On 127.0.0.1 no group can reach the socket: nothing is joined there. A
// group that cannot be joined (a host with loopback alone) is tried once and
// told once.
void NetworkReceiver::joinGroup(int universe) {
    const QHostAddress& bound = options_.address;
    if (joined_.count(universe) || unjoinable_.count(universe) || bound.isLoopback())
        return;
    const bool ok =
        bound == QHostAddress::AnyIPv4
            ? socket_.joinMulticastGroup(e131Group(universe))
            : interface_.isValid() && socket_.joinMulticastGroup(e131Group(universe), interface_);
    if (ok) {
        joined_.insert(universe);
        return;
    }
    unjoinable_.insert(universe);
    if (groupProblem_.isEmpty())
        groupProblem_ = QStringLiteral("cannot join the group %1 of universe %2 (%3); only "
                                       "datagrams sent to this host arrive")
                            .arg(e131Group(universe).toString())
                            .arg(universe)
                            .arg(socket_.errorString());
}

void NetworkReceiver::leaveGroup(int universe) {
    if (joined_.erase(universe) == 0)
        return;
    if (options_.address == QHostAddress::AnyIPv4)
        socket_.leaveMulticastGroup(e131Group(universe));
    else
        socket_.leaveMulticastGroup(e131Group(universe), interface_);
}

// The groups of the synchronisation addresses of the sources taken on the
// board's universes, a few at most; those no source uses any more are left.
void NetworkReceiver::followSyncGroups() {
    const std::vector<int> wanted = frames_.syncAddresses();
    if (wanted == followed_)
        return;
    followed_ = wanted;
    const std::vector<int> board = boardUniverses(options_.setup);
    const auto boards = [&](int universe) {
        return std::find(board.begin(), board.end(), universe) != board.end();
    };
    const auto unwanted = [&](int universe) {
        return !boards(universe) &&
               std::find(wanted.begin(), wanted.end(), universe) == wanted.end();
    };
    for (const int universe : std::vector<int>(joined_.begin(), joined_.end())) {
        if (unwanted(universe))
            leaveGroup(universe);
    }
    std::erase_if(unjoinable_, unwanted);
    int tried = 0; // synchronisation groups joined or tried
    for (const std::set<int>* groups : {&joined_, &unjoinable_})
        tried += int(std::count_if(groups->begin(), groups->end(),
                                   [&](int universe) { return !boards(universe); }));
    for (int universe : wanted) {
        if (tried >= MaxSyncGroups)
            break;
        if (!boards(universe) && !joined_.count(universe) && !unjoinable_.count(universe)) {
            joinGroup(universe);
            ++tried;
        }
    }
}

void NetworkReceiver::read() {
    for (int i = 0; i < options_.datagramsPerTurn && socket_.hasPendingDatagrams(); ++i)
        take(socket_.receiveDatagram());
}

void NetworkReceiver::take(const QNetworkDatagram& datagram) {
    if (!datagram.isValid())
        return;
    ++thisTick_.packets;
    const Packet packet = decode(options_.setup.protocol, datagram.data());
    const Sender from{QHostAddress(datagram.senderAddress().toIPv4Address()).toString(),
                      quint16(datagram.senderPort())};
    const ReceivedFrames::Outcome outcome = frames_.take(now(), from, packet);
    note(outcome, packet, from.address);
    if (std::holds_alternative<E131Data>(packet))
        followSyncGroups();
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

// Refusals are problems; packets for another universe or node are not, and
// only data for another universe is kept, as a hint.
void NetworkReceiver::note(const ReceivedFrames::Outcome& outcome, const Packet& packet,
                           const QString& from) {
    if (!outcome.refused.isEmpty()) {
        ++status_.refused;
        status_.lastError = QStringLiteral("%1 (from %2)").arg(outcome.refused, from);
        countKind(status_.lastError);
    } else if (!outcome.ignored.isEmpty()) {
        ++status_.ignored;
        if (isData(packet)) {
            status_.otherData = QStringLiteral("%1 (from %2)").arg(outcome.ignored, from);
            countKind(status_.otherData);
        }
    }
}

void NetworkReceiver::countKind(const QString& problem) {
    if (problemKinds_.size() >= MaxProblemKinds)
        return;
    problemKinds_.insert(kindOf(problem));
    status_.problemKinds = int(problemKinds_.size());
}

void NetworkReceiver::show(const PortIo::LevelFrame& levels) {
    ++thisTick_.frames;
    emit frameReceived(levels);
}

void NetworkReceiver::tick() {
    const ReceivedFrames::Time t = now();
    if (const std::optional<PortIo::LevelFrame> frame = frames_.advance(t))
        show(*frame);
    followSyncGroups();
    if (t - secondStart_ >= std::chrono::seconds(1)) {
        answersThisSecond_ = 0;
        secondStart_ = t;
    }
    updateRates(t);
    status_.sources = frames_.sourceNames();
    if (status_ == told_)
        return;
    told_ = status_;
    emit statusChanged();
}

// The rates over the last few seconds, so that a slow sender's reads steady.
void NetworkReceiver::updateRates(ReceivedFrames::Time t) {
    rateWindow_.push_back(thisTick_);
    thisTick_ = Counts{t, 0, 0};
    while (rateWindow_.size() > 1 && t - rateWindow_.front().since > RateWindow)
        rateWindow_.pop_front();
    const double seconds = std::chrono::duration<double>(t - rateWindow_.front().since).count();
    if (seconds <= 0)
        return;
    int frames = 0;
    int packets = 0;
    for (const Counts& c : rateWindow_) {
        frames += c.frames;
        packets += c.packets;
    }
    status_.framesPerSecond = frames / seconds;
    status_.packetsPerSecond = packets / seconds;
}

QString NetworkReceiver::statusLine() const {
    const QString protocol = protocolName(options_.setup.protocol);
    if (!listening())
        return printable(QStringLiteral("%1: not listening%2")
                             .arg(protocol, bindError_.isEmpty()
                                                ? QString()
                                                : QStringLiteral(": ") + bindError_));
    QString line =
        status_.sources.isEmpty()
            ? QStringLiteral("%1 on port %2: waiting for a source").arg(protocol).arg(localPort())
            : QStringLiteral("%1 from %2: %3 frames/s, %4 packets/s")
                  .arg(protocol, status_.sources)
                  .arg(status_.framesPerSecond, 0, 'f', 1)
                  .arg(status_.packetsPerSecond, 0, 'f', 0);
    if (status_.sources.isEmpty() && !status_.otherData.isEmpty())
        line += QStringLiteral("; heard only: %1").arg(status_.otherData);
    if (!status_.lastError.isEmpty())
        line += QStringLiteral("; last problem: %1").arg(status_.lastError);
    return printable(line);
}

ReceivedFrames::Time NetworkReceiver::now() const {
    return std::chrono::duration_cast<ReceivedFrames::Time>(clock_->now());
}
