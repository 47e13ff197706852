#include "Listening.h"

#include "cli/CommandLine.h"
#include "editor/InstanceCheck.h"
#include "network/receive/StatusLog.h"
#include "player/SignalPipe.h"
#include "port/MatrixOutput.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Receivers = std::vector<std::unique_ptr<NetworkReceiver>>;
using Report = std::function<void(const QString&)>;

ReceivedPackets::Protocol protocolOf(ListenSource::Protocol protocol) {
    switch (protocol) {
    case ListenSource::Protocol::E131:
        return ReceivedPackets::Protocol::E131;
    case ListenSource::Protocol::ArtNet:
        return ReceivedPackets::Protocol::ArtNet;
    case ListenSource::Protocol::Ddp:
        break;
    }
    return ReceivedPackets::Protocol::Ddp;
}

// Empty when every receiver listens, else why one cannot.
QString startReceivers(const CommandLine& line, Receivers& receivers) {
    for (const ListenSource& source : line.listens) {
        auto receiver = std::make_unique<NetworkReceiver>(listenOptions(line, source));
        if (const QString why = receiver->start(); !why.isEmpty())
            return QStringLiteral("--listen: %1: %2")
                .arg(protocolName(receiver->options().setup.protocol), why);
        receivers.push_back(std::move(receiver));
    }
    return {};
}

// Each receiver's status line when StatusLog says so, checked once a second,
// and a group it cannot join told once.
class StatusLines {
public:
    StatusLines(const Receivers& receivers, Report report)
        : receivers_(receivers), report_(std::move(report)), logs_(receivers.size()),
          groupProblems_(receivers.size()) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tell(); });
        tell();
        timer_.start(1000);
    }

private:
    void tell() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        for (std::size_t i = 0; i < receivers_.size(); ++i) {
            const NetworkReceiver& receiver = *receivers_[i];
            if (const QString problem = receiver.groupProblem();
                !problem.isEmpty() && problem != groupProblems_[i])
                report_(QStringLiteral("%1: %2").arg(
                    protocolName(receiver.options().setup.protocol),
                    ReceivedPackets::printable(groupProblems_[i] = problem)));
            if (const std::optional<QString> line = logs_[i].next(
                    now, receiver.statusLine(), receiver.status(), receiver.listening()))
                report_(*line);
        }
    }

    const Receivers& receivers_;
    Report report_;
    std::vector<StatusLog> logs_;
    std::vector<QString> groupProblems_;
    QTimer timer_;
};

} // namespace

ListenOptions listenOptions(const CommandLine& line, const ListenSource& source) {
    ListenOptions options;
    options.setup.protocol = protocolOf(source.protocol);
    options.setup.universe = source.universe;
    options.setup.layout = line.singleChannel ? ChannelLayout::Single : ChannelLayout::Rgb;
    options.setup.mapping.wiring = line.map.value_or(PanelWiring{});
    options.setup.holdLast = line.holdLast;
    options.address = line.listenAddress == QStringLiteral("0.0.0.0")
                          ? QHostAddress(QHostAddress::AnyIPv4)
                          : QHostAddress(line.listenAddress);
    options.port = quint16(line.listenPort);
    return options;
}

int listen(const CommandLine& line, ListenServices services) {
    const Report& error = services.error;
    if (refusedBeforeTheOutputs(line, services.instanceCheck)) {
        error(services.instanceCheck.refusalLine());
        return 1;
    }
    Receivers receivers;
    if (const QString why = startReceivers(line, receivers); !why.isEmpty()) {
        error(why);
        return 1;
    }
    OutputSet outputs = openOutputs(line, false, error, services.open);
    if (const int failed = startBoards(outputs, services.instanceCheck, error))
        return failed;
    MatrixOutput* output = outputs.output();
    QEventLoop loop;
    QObject::connect(&services.stopSignals, &SignalPipe::received, &loop, [&loop] { loop.quit(); });
    for (const auto& receiver : receivers)
        QObject::connect(
            receiver.get(), &NetworkReceiver::frameReceived, &loop,
            [output](const PortIo::LevelFrame& levels) { output->showLevels(levels); });
    StatusLines status(receivers, error);
    output->refresh(true, [] {}); // "LPT on": from now on every frame shows
    loop.exec();
    output->darken();
    output->close();
    return 0;
}
