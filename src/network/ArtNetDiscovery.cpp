#include "network/ArtNetDiscovery.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <algorithm>

ArtNetDiscovery::ArtNetDiscovery(ArtPollOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    collecting_.setSingleShot(true);
    connect(&collecting_, &QTimer::timeout, this, &ArtNetDiscovery::finish);
    connect(&socket_, &QUdpSocket::readyRead, this, &ArtNetDiscovery::read);
}

void ArtNetDiscovery::start() {
    nodes_.clear();
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

void ArtNetDiscovery::read() {
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        std::optional<NetworkPackets::ArtNode> node = NetworkPackets::artPollReply(datagram.data());
        if (!node || !collecting_.isActive())
            continue;
        if (node->address == QStringLiteral("0.0.0.0"))
            node->address = datagram.senderAddress().toString();
        add(std::move(*node));
        emit nodeFound();
    }
}

// A node with more than four ports answers once for every four.
void ArtNetDiscovery::add(NetworkPackets::ArtNode node) {
    const auto known = std::find_if(nodes_.begin(), nodes_.end(),
                                    [&node](const auto& n) { return n.address == node.address; });
    if (known == nodes_.end()) {
        nodes_.push_back(std::move(node));
        return;
    }
    std::vector<int>& u = known->universes;
    u.insert(u.end(), node.universes.begin(), node.universes.end());
    std::sort(u.begin(), u.end());
    u.erase(std::unique(u.begin(), u.end()), u.end());
}

void ArtNetDiscovery::finish() {
    socket_.close();
    emit finished(problem_);
}
