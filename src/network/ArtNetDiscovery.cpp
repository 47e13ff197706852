#include "network/ArtNetDiscovery.h"

#include "network/NetworkTarget.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <algorithm>

namespace {
// Replies read in one turn of the event loop: a flood of them leaves the
// window its events and the search its end.
constexpr int RepliesATurn = 64;
} // namespace

ArtNetDiscovery::ArtNetDiscovery(ArtPollOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    collecting_.setSingleShot(true);
    connect(&collecting_, &QTimer::timeout, this, &ArtNetDiscovery::finish);
    connect(&socket_, &QUdpSocket::readyRead, this, &ArtNetDiscovery::read);
}

void ArtNetDiscovery::start() {
    nodes_.clear();
    byAddress_.clear();
    ignored_ = 0;
    socket_.abort();
    problem_ = bind();
    const std::vector<QHostAddress> targets =
        options_.targets.empty() ? broadcastAddresses() : options_.targets;
    if (targets.empty())
        problem_ = QStringLiteral("this computer is on no network that broadcasts");
    const QByteArray poll = NetworkPackets::artPoll();
    for (const QHostAddress& target : targets) {
        if (socket_.writeDatagram(poll, target, options_.targetPort) != poll.size())
            problem_ =
                QStringLiteral("cannot ask %1 (%2)").arg(target.toString(), socket_.errorString());
    }
    searching_ = true;
    deadline_.setRemainingTime(options_.collectMs);
    collecting_.start(options_.collectMs);
}

// Port 6454 taken by a program that does not share it: a port of its own
// then, where only the nodes that answer the sender's port are heard.
QString ArtNetDiscovery::bind() {
    const auto shared = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    if (socket_.bind(options_.listenAddress, options_.listenPort, shared))
        return {};
    const QString why = socket_.errorString();
    socket_.bind(options_.listenAddress, 0);
    return QStringLiteral("port %1 is taken (%2); some nodes may not be heard")
        .arg(options_.listenPort)
        .arg(why);
}

std::vector<QHostAddress> ArtNetDiscovery::broadcastAddresses() const {
    std::vector<QHostAddress> found;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::CanBroadcast) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : i.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                !entry.broadcast().isNull())
                found.push_back(entry.broadcast());
        }
    }
    return found;
}

// Whatever is still waiting is read on a later turn: the socket tells again.
void ArtNetDiscovery::read() {
    for (int i = 0; i < RepliesATurn && searching_ && socket_.hasPendingDatagrams(); ++i) {
        if (deadline_.hasExpired())
            return finish();
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        take(datagram.data(), datagram.senderAddress());
    }
}

// A node that gives no address is where it answered from; one at an address
// no panel can have is not listed.
void ArtNetDiscovery::take(const QByteArray& datagram, const QHostAddress& sender) {
    std::optional<NetworkPackets::ArtNode> node = NetworkPackets::artPollReply(datagram);
    if (!node)
        return;
    if (node->address == QStringLiteral("0.0.0.0"))
        node->address = QHostAddress(sender.toIPv4Address()).toString();
    if (!unusableAddress(QHostAddress(node->address)).isEmpty())
        return;
    add(std::move(*node));
}

// A node with more than four ports answers once for every four.
void ArtNetDiscovery::add(NetworkPackets::ArtNode node) {
    const auto known = byAddress_.constFind(node.address);
    if (known == byAddress_.constEnd()) {
        if (int(nodes_.size()) == MaxNodes) {
            ++ignored_;
            return;
        }
        const int index = int(nodes_.size());
        byAddress_.insert(node.address, index);
        std::vector<int>& u = node.universes;
        std::sort(u.begin(), u.end());
        u.erase(std::unique(u.begin(), u.end()), u.end());
        nodes_.push_back(std::move(node));
        emit nodeChanged(index);
        return;
    }
    std::vector<int>& u = nodes_[std::size_t(*known)].universes;
    const std::size_t before = u.size();
    for (int universe : node.universes) {
        if (u.size() < std::size_t(MaxUniversesPerNode) &&
            std::find(u.begin(), u.end(), universe) == u.end())
            u.push_back(universe);
    }
    if (u.size() == before)
        return;
    std::sort(u.begin(), u.end());
    emit nodeChanged(*known);
}

void ArtNetDiscovery::finish() {
    if (!searching_)
        return;
    searching_ = false;
    collecting_.stop();
    socket_.close();
    emit finished(problem_);
}
