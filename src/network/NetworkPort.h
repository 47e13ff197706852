#pragma once

#include "network/NetworkTarget.h"
#include "network/UdpLink.h"
#include "port/PanelSetup.h"
#include "port/PortIo.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

struct NetworkTiming {
    int maxFramesPerSecond = PanelSetup::DefaultMaxFps;
    int keepAliveMs = 800; // E1.31 receivers drop a source after 2.5 s of silence
    int lookupRetryMs = 5000;
    // After a failure, how long sends must go through before "sending again" is
    // said: a refused port answers only some datagrams (ICMP is rate-limited).
    int recoveryQuietMs = 3000;
};

// One datagram of a frame and the universe it is for: 0 the first, 1 the next,
// SyncPart the synchronisation that follows them.
struct Datagram {
    static constexpr int SyncPart = 2;
    int part = 0;
    QByteArray bytes;
};

// Turns the strip's bytes into a protocol's datagrams, with its sequence numbers.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    virtual std::vector<Datagram> frame(const PanelMapping::Rgb& rgb) = 0;
    // What goes out last, after the dark frame, when the output closes.
    virtual std::vector<Datagram> goodbye() { return {}; }
    // From the next frame on: a synchronisation after each frame's universes.
    virtual void synchronise(bool) {}
};
std::unique_ptr<FrameEncoder> makeEncoder(const NetworkTarget& target);

// The E1.31 universe whose synchronisation packets show a panel's frame: the one
// after its two, so that it needs no setting of its own and is never one the
// panel takes data on; the one below the first when that would pass 63999.
int syncUniverse(int firstUniverse);

// An LED panel on the network. Takes whole frames; sends them when they change,
// at most maxFramesPerSecond, and again every keepAliveMs. Never blocks: the
// host's name is looked up off the window's thread, and a host that cannot be
// found, reached or that refuses the port is told once in one line while the
// output goes on trying, then "sending again" once it works.
class NetworkPort final : public QObject, public PortIo {
    Q_OBJECT
public:
    using ErrorSink = std::function<void(const QString&)>;

    NetworkPort(const NetworkTarget& target, const PanelMapping& mapping, ErrorSink errors,
                NetworkTiming timing = {});
    // With the setup's mapping and rate, the rest of the timing as by default.
    static std::unique_ptr<NetworkPort> open(const NetworkTarget& target, const PanelSetup& setup,
                                             ErrorSink errors);
    ~NetworkPort() override;

    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override;
    void blank() override;
    // Each LED at its level's share of the colour and brightness.
    bool takesLevels() const override { return true; }
    void showLevels(const LevelFrame& levels) override;
    // The rest of the gap the rate leaves after the last frame sent, after the
    // one waiting to go out too.
    int msBeforeNextFrame() const override;

    // The frame shown goes out again with the new mapping, rate or synchronisation.
    void setSetup(const PanelSetup& setup);
    PanelSetup setup() const { return {mapping_, timing_.maxFramesPerSecond, sync_}; }
    // The last line told: a fault, or "sending again" after one; empty if none.
    const QString& lastReport() const { return lastReport_; }
    const NetworkTarget& target() const { return target_; }
    bool resolved() const { return address_.has_value(); }

signals:
    void sent();

private:
    void lookUp();
    void onLookedUp(const QHostInfo& info);
    void schedule();
    void sendNow();
    bool write(const Datagram& datagram);
    void failed(const UdpLink::Result& result);
    void report(const QString& line);
    QString where() const;

    NetworkTarget target_;
    PanelMapping mapping_;
    ErrorSink errors_;
    NetworkTiming timing_;
    std::unique_ptr<FrameEncoder> encoder_;
    bool sync_ = false;
    std::array<UdpLink, 3> links_; // one a universe's group when multicast
    QTimer keepAlive_;
    QTimer rateTimer_;
    QTimer retryTimer_;
    QElapsedTimer sinceSent_;
    QElapsedTimer sinceFailure_; // invalid while all is well
    QElapsedTimer failingFor_;
    std::optional<QHostAddress> address_;
    int lookupId_ = -1;
    using Shown = std::variant<PackedFrame, LevelFrame>;
    std::optional<Shown> wanted_; // none: dark
    QString lastReport_;
};

// The strip's bytes for grey levels 0..15: every channel of the mapping's
// colour at its brightness times level / 15, so level 15 gives the bytes of a
// lit LED of an on/off frame and 0 a dark one.
PanelMapping::Rgb levelRgb(const PanelMapping& mapping, const PortIo::LevelFrame& levels);

// Where the datagrams of a universe go: the resolved host, or the multicast
// group of the universe (239.255.hi.lo), the synchronisation universe's for SyncPart.
QHostAddress e131Group(int universe);
QHostAddress destination(const NetworkTarget& target, const QHostAddress& resolved, int part);
