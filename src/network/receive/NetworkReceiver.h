#pragma once

#include "network/receive/ReceivedFrames.h"
#include "port/Clock.h"
#include "port/PortIo.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <deque>
#include <memory>
#include <set>
#include <vector>

class QNetworkDatagram;

struct ListenOptions {
    ReceiveSetup setup;
    QHostAddress address = QHostAddress::AnyIPv4;
    quint16 port = 0; // 0: the protocol's own, 5568, 6454 or 4048
    // Datagrams read in one turn of the event loop; the rest wait for the next.
    int datagramsPerTurn = 64;
    // ArtPollReplies and DDP status replies sent a second at most.
    int answersPerSecond = 20;
    QString shortName = QStringLiteral("Quentaro");
    QString longName; // none: "Quentaro 16 x 16 LED board on HOST"
    QString version = QStringLiteral("1.0");
};

struct ReceiverStatus {
    QString sources;            // the names of the sources shown
    double framesPerSecond = 0; // over the last few seconds
    double packetsPerSecond = 0;
    QString lastError; // the last datagram refused and why
    // The last data for a universe that is not the board's: a hint while no
    // source is heard, no fault.
    QString otherData;
    quint64 refused = 0;
    quint64 ignored = 0; // well formed, for another universe or node
    // How many kinds of problem (refusals and other data alike, their numbers
    // and names aside) have been met; counted up to a few dozen.
    int problemKinds = 0;

    bool operator==(const ReceiverStatus&) const = default;
};

// The board as a node on the network: listens on one UDP port for E1.31,
// Art-Net or DDP, turns what arrives into frames of levels through the
// ReceivedFrames rules, answers ArtPoll and DDP status queries, and says what
// it hears in one status line. Reads a bounded number of datagrams a turn, so
// a flood leaves the event loop its other work.
class NetworkReceiver final : public QObject {
    Q_OBJECT
public:
    // `clock` (kept by the caller) times the packets; none: the steady clock.
    explicit NetworkReceiver(ListenOptions options, Clock* clock = nullptr,
                             QObject* parent = nullptr);
    ~NetworkReceiver() override;

    // Binds the port and, for E1.31 on every interface or one address that is
    // not loopback, joins the universes' multicast groups. Empty when
    // listening, else why not. A group that cannot be joined does not stop
    // it: see groupProblem().
    QString start();
    void stop();
    bool listening() const;
    quint16 localPort() const;
    const ListenOptions& options() const { return options_; }
    const ReceiverStatus& status() const { return status_; }
    // One line, network text made printable.
    QString statusLine() const;
    // The multicast groups joined: the board's universes', and the
    // synchronisation addresses of the sources taken (a few at most).
    std::vector<QHostAddress> groups() const;
    // The first group that could not be joined and why; empty when none failed.
    QString groupProblem() const { return groupProblem_; }
    const ReceivedFrames& frames() const { return frames_; }

signals:
    // A frame complete: a grey level 0 ... 15 a LED, rows from the top.
    void frameReceived(const PortIo::LevelFrame& levels);
    // status() changed; said at most four times a second.
    void statusChanged();

private:
    void read();
    void take(const QNetworkDatagram& datagram);
    void answer(const ReceivedPackets::Packet& packet, const QNetworkDatagram& datagram);
    void joinGroup(int universe);
    void leaveGroup(int universe);
    void followSyncGroups();
    void note(const ReceivedFrames::Outcome& outcome, const ReceivedPackets::Packet& packet,
              const QString& from);
    void countKind(const QString& problem);
    void show(const PortIo::LevelFrame& levels);
    void tick();
    void updateRates(ReceivedFrames::Time t);
    quint32 addressFor(const QHostAddress& asker) const;
    ReceivedFrames::Time now() const;

    ListenOptions options_;
    std::unique_ptr<Clock> ownClock_;
    Clock* clock_;
    ReceivedFrames frames_;
    QUdpSocket socket_;
    QTimer ticker_;
    std::set<int> joined_;        // universes whose groups are joined
    std::set<int> unjoinable_;    // tried and failed: not tried again while wanted
    std::vector<int> followed_;   // the sources' synchronisation addresses last seen
    QNetworkInterface interface_; // the bound address's, when one is bound
    QString groupProblem_;
    std::set<QString> problemKinds_;
    struct Counts {
        ReceivedFrames::Time since{};
        int frames = 0;
        int packets = 0;
    };
    std::deque<Counts> rateWindow_; // a tick's counts each, the last few seconds
    Counts thisTick_;
    int answersThisSecond_ = 0;
    ReceivedFrames::Time secondStart_{};
    int replies_ = 0;
    QString bindError_;
    ReceiverStatus status_;
    ReceiverStatus told_;
};
