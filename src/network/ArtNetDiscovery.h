#pragma once

#include "network/NetworkPackets.h"

#include <QDeadlineTimer>
#include <QHash>
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
// that come back in time. Runs on the event loop and never blocks: replies are
// read a few at a time, the search ends on time however many arrive, and the
// nodes past the first MaxNodes are not kept.
class ArtNetDiscovery final : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxNodes = 500;
    static constexpr int MaxUniversesPerNode = 256;

    explicit ArtNetDiscovery(ArtPollOptions options = {}, QObject* parent = nullptr);

    // Starts a search afresh, forgetting the nodes found before.
    void start();
    bool searching() const { return searching_; }
    // One entry a node, its universes gathered from all its replies, in the
    // order found; never more than MaxNodes.
    const std::vector<NetworkPackets::ArtNode>& nodes() const { return nodes_; }
    // The replies of the nodes that did not fit the list.
    int ignoredReplies() const { return ignored_; }

signals:
    // nodes()[index] is new or has more universes.
    void nodeChanged(int index);
    // The search is over; `problem` says what kept it from asking everywhere.
    void finished(const QString& problem);

private:
    std::vector<QHostAddress> broadcastAddresses() const;
    QString bind();
    void read();
    void take(const QByteArray& datagram, const QHostAddress& sender);
    void add(NetworkPackets::ArtNode node);
    void finish();

    ArtPollOptions options_;
    QUdpSocket socket_;
    QTimer collecting_;
    QDeadlineTimer deadline_;
    bool searching_ = false;
    std::vector<NetworkPackets::ArtNode> nodes_;
    QHash<QString, int> byAddress_;
    int ignored_ = 0;
    QString problem_;
};
