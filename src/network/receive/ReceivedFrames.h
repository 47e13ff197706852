#pragma once

#include "network/receive/ReceivedPackets.h"
#include "port/PanelMapping.h"
#include "port/PortIo.h"

#include <QString>
#include <chrono>
#include <map>
#include <optional>
#include <vector>

// How the board's LEDs sit in the channels received: three a LED (red, green,
// blue, as the outputs send them: 768 channels, 510 in the first universe and
// 258 in the next), or one a LED (256 channels in one universe).
enum class ChannelLayout { Rgb, Single };

struct ReceiveSetup {
    ReceivedPackets::Protocol protocol = ReceivedPackets::Protocol::E131;
    // The first of the board's universes (E1.31 1 ... 63999, Art-Net's 15-bit
    // port-address); DDP has none.
    int universe = 1;
    ChannelLayout layout = ChannelLayout::Rgb;
    // Only the wiring counts: the LED of a picture's (row, column) is where an
    // output with this mapping would put it.
    PanelMapping mapping;
    // When the last source is gone: keep the last frame instead of going dark.
    bool holdLast = false;
    std::chrono::milliseconds sourceTimeout{2500}; // E1.31's network data loss
    std::chrono::milliseconds artSyncTimeout{4000};
    std::chrono::milliseconds e131SyncTimeout{2500};
    int maxSources = 4; // a universe's sources at once; Art-Net merges two at most
};

int channelCount(ChannelLayout layout);
// The universes the board takes: one for Single, two for Rgb (none for DDP).
std::vector<int> boardUniverses(const ReceiveSetup& setup);
// Why the setup cannot be listened to (a universe out of range); empty if it can.
QString receiveSetupProblem(const ReceiveSetup& setup);

// The picture in the channels: each LED's channels (the brightest of the three
// with Rgb), value 0 ... 255 to level 0 ... 15 rounded (value * 15 / 255).
PortIo::LevelFrame levelsFromChannels(const ReceiveSetup& setup, QByteArrayView channels);

// Who sent a datagram.
struct Sender {
    QString address; // dotted IPv4
    quint16 port = 0;
};

// The received packets turned into frames as each protocol asks: E1.31 priority
// (the highest wins, equal ones merge highest-takes-precedence), sequence
// numbers, stream termination and universe synchronisation; Art-Net's merge of
// two sources and ArtSync; DDP's offsets and push. A source not heard from for
// sourceTimeout is dropped; with none left the board goes dark, or keeps the
// last frame with holdLast. Time is given with every call, so tests run it on
// a clock of their own. What is kept for sources, synchronisation addresses
// and their senders is capped, so that a flood of made-up senders cannot
// grow it.
class ReceivedFrames {
public:
    using Time = std::chrono::steady_clock::duration;

    struct Outcome {
        Outcome() = default;
        Outcome(QString refused, std::optional<PortIo::LevelFrame> frame, QString ignored = {})
            : refused(std::move(refused)), frame(std::move(frame)), ignored(std::move(ignored)) {}

        QString refused;                         // why the packet changed nothing
        std::optional<PortIo::LevelFrame> frame; // a frame to show now
        // Well formed, for another universe or node: changed nothing, no fault.
        QString ignored;
    };

    explicit ReceivedFrames(ReceiveSetup setup);

    Outcome take(Time now, const Sender& from, const ReceivedPackets::Packet& packet);
    // Timeouts: sources dropped, synchronisation given up. A frame when that
    // changes what is shown.
    std::optional<PortIo::LevelFrame> advance(Time now);

    // The sources shown at the moment, by name (E1.31) or address.
    QString sourceNames() const;
    // The E1.31 synchronisation addresses of the sources taken, in order.
    std::vector<int> syncAddresses() const;
    // The sources, synchronisation addresses and synchronisation senders kept,
    // and the most there can be.
    int stateEntries() const;
    int stateCapacity() const;
    const ReceiveSetup& setup() const { return setup_; }

private:
    struct Input { // one source's data on one universe
        QString id;
        QString name;
        int priority = 100;
        std::optional<QByteArray> values; // shown; none before the first shown
        std::optional<QByteArray> held;   // waiting for a synchronisation packet
        int syncAddress = 0;
        bool forceSync = false;
        int sequence = -1;
        Time lastSeen{};
    };
    struct SyncSender {
        QString id;
        int sequence = -1;
        Time lastSeen{};
    };
    struct SyncAddress {
        Time lastSeen{};
        std::vector<SyncSender> senders; // for their sequence numbers
    };

    Outcome takeE131(Time now, const ReceivedPackets::E131Data& data);
    Outcome takeE131Sync(Time now, const ReceivedPackets::E131Sync& sync);
    Outcome takeArtDmx(Time now, const Sender& from, const ReceivedPackets::ArtDmx& dmx);
    Outcome takeArtSync(Time now, const Sender& from);
    Outcome takeDdp(Time now, const Sender& from, const ReceivedPackets::DdpData& data);
    int part(int universe) const; // the board's universe index, or -1
    QString unknownUniverse(int universe) const;
    Input* input(int part, const QString& id, Time now, QString& refused);
    void drop(int part, const QString& id);
    SyncAddress* syncAddress(int address);
    static SyncSender& syncSender(SyncAddress& address, const QString& id);
    int syncAddressCapacity() const;
    void forgetStaleSync(Time now);
    bool e131SyncActive(int address, Time now) const;
    bool artSynchronous(Time now) const;
    std::optional<PortIo::LevelFrame> updated(int part);
    std::optional<PortIo::LevelFrame> frameNow();
    std::optional<PortIo::LevelFrame> sourcesChanged();
    QByteArray merged(int part) const;

    ReceiveSetup setup_;
    std::vector<int> universes_;
    std::vector<std::vector<Input>> inputs_; // a list a universe of the board
    std::vector<bool> fresh_;                // new data since the last frame
    std::map<int, SyncAddress> e131Sync_;    // by synchronisation address
    std::optional<Time> artSyncSeen_;
    QString lastArtDmxFrom_;
    QByteArray ddpBuffer_;
    QString ddpSource_;
    Time ddpSeen_{};
    bool ddpLive_ = false;
    std::optional<PortIo::LevelFrame> shown_;
};
