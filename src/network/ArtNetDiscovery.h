#pragma once

#include "network/NetworkPackets.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <vector>

// Where ArtPoll goes and how long its answers are gathered.
struct ArtPollOptions {
    // Where the poll goes; none: every IPv4 interface's broadcast address.
    std::vector<QHostAddress> targets;
    quint16 targetPort = NetworkPackets::ArtNetPort;
    // Nodes answer to port 6454 of the poller; shared with any lighting
    // program that listens there too.
    QHostAddress listenAddress = QHostAddress::AnyIPv4;
    quint16 listenPort = NetworkPackets::ArtNetPort;
    int collectMs = 2000;
};

// Finds the Art-Net nodes on the local network: sends ArtPoll to the broadcast
// address of every network the computer is on and gathers the ArtPollReplies
// that come back in time. Runs on the event loop and never blocks.
class ArtNetDiscovery final : public QObject {
    Q_OBJECT
public:
    explicit ArtNetDiscovery(ArtPollOptions options = {}, QObject* parent = nullptr);

    // Starts a search afresh, forgetting the nodes found before.
    void start();
    bool searching() const { return collecting_.isActive(); }
    // One entry a node, its universes gathered from all its replies.
    const std::vector<NetworkPackets::ArtNode>& nodes() const { return nodes_; }

signals:
    void nodeFound();
    // The search is over; `problem` says what kept it from asking everywhere.
    void finished(const QString& problem);

private:
    std::vector<QHostAddress> broadcastAddresses() const;
    QString bind();
    void read();
    void add(NetworkPackets::ArtNode node);
    void finish();

    ArtPollOptions options_;
    QUdpSocket socket_;
    QTimer collecting_;
    std::vector<NetworkPackets::ArtNode> nodes_;
    QString problem_;
};
