#pragma once

#include "network/NetworkTarget.h"
#include "port/PanelMapping.h"
#include "port/PortIo.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct NetworkTiming {
    int maxFramesPerSecond = 40;
    int keepAliveMs = 800; // E1.31 receivers drop a source after 2.5 s of silence
    int lookupRetryMs = 5000;
};

// Turns the strip's bytes into a protocol's datagrams, with its sequence numbers.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    virtual std::vector<QByteArray> frame(const PanelMapping::Rgb& rgb) = 0;
    // What goes out last, after the dark frame, when the output closes.
    virtual std::vector<QByteArray> goodbye() { return {}; }
};
std::unique_ptr<FrameEncoder> makeEncoder(const NetworkTarget& target);

// An LED panel on the network. Takes whole frames; sends them when they change,
// at most maxFramesPerSecond, and again every keepAliveMs. Never blocks: the
// host's name is looked up off the window's thread, and a host that cannot be
// found or reached is told once and tried again until it can.
class NetworkPort final : public QObject, public PortIo {
    Q_OBJECT
public:
    using ErrorSink = std::function<void(const QString&)>;

    NetworkPort(const NetworkTarget& target, const PanelMapping& mapping, ErrorSink errors,
                NetworkTiming timing = {});
    ~NetworkPort() override;

    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    void showFrame(const PackedFrame& frame) override;
    void blank() override;

    bool resolved() const { return address_.has_value(); }

signals:
    void sent();

private:
    void lookUp();
    void onLookedUp(const QHostInfo& info);
    void schedule();
    void sendNow();
    bool write(const QByteArray& datagram);
    void report(const QString& line);
    QString where() const;

    NetworkTarget target_;
    PanelMapping mapping_;
    ErrorSink errors_;
    NetworkTiming timing_;
    std::unique_ptr<FrameEncoder> encoder_;
    QUdpSocket socket_;
    QTimer keepAlive_;
    QTimer rateTimer_;
    QTimer retryTimer_;
    QElapsedTimer sinceSent_;
    std::optional<QHostAddress> address_;
    int lookupId_ = -1;
    std::optional<PackedFrame> wanted_; // none: dark
    bool pending_ = true;
    bool failing_ = false;
    QString lastReport_;
};

// The multicast group of an E1.31 universe: 239.255.hi.lo.
QHostAddress e131Group(int universe);
