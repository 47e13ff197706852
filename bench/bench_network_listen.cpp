// What the board as a network node (--listen) costs and how late it shows a
// frame. A thread sends E1.31 at 40 frames a second for 10 s over 127.0.0.1,
// each frame's two universes as xLights sends them, every frame different and
// numbered in its first three LEDs.
//
// BM_ListenInThisProcess runs the listener as the program runs it, in this
// process, onto an output that notes when each frame is handed to it: the
// latency from the moment the frame's first datagram is sent to that moment,
// median and 99th percentile, and the CPU time of the process less the
// sender's thread.
//
// BM_ListenProgram starts the real `quentaro --listen` with a DDP panel on
// 127.0.0.1 as its output and reads the panel's datagrams: the CPU time the
// program was charged (/proc/PID/stat) and the latency from the first
// datagram sent to the frame's DDP datagram arriving back, which includes the
// output's own sending.
//
// BM_SyncFloodState gives the receiving rules 1,000,000 E1.31 synchronisation
// packets, each from a CID not seen before, 75,000 a second on their clock,
// with the receiver's ticks between them: the memory the process holds more
// afterwards while the receiver lives, and the packets taken a second.
#include "Listening.h"
#include "cli/CommandLine.h"
#include "editor/InstanceCheck.h"
#include "network/NetworkPackets.h"
#include "network/NetworkPort.h"
#include "network/receive/ReceivedFrames.h"
#include "player/SignalPipe.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int FramesPerSecond = 40;
constexpr int RunSeconds = 10;
constexpr int Frames = FramesPerSecond * RunSeconds;

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The CPU time the kernel has charged a process, user and system.
double childCpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command's closing parenthesis: state is field 3, utime 14.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks * 1e3 / double(sysconf(_SC_CLK_TCK));
}

// Frame n: its number in the first three LEDs, a pattern moving with it in the rest.
PortIo::LevelFrame numbered(int n) {
    PortIo::LevelFrame levels{};
    for (std::size_t i = 3; i < levels.size(); ++i)
        levels[i] = std::uint8_t((int(i) * 5 + n) % 16);
    for (int nibble = 0; nibble < 3; ++nibble)
        levels[std::size_t(nibble)] = std::uint8_t(n >> (4 * nibble) & 15);
    return levels;
}

int numberOf(const std::uint8_t first, const std::uint8_t second, const std::uint8_t third) {
    return first | second << 4 | third << 8;
}

PanelMapping white() {
    PanelMapping mapping;
    mapping.colour = {255, 255, 255};
    mapping.brightness = 100;
    return mapping;
}

struct Sent {
    std::vector<Clock::time_point> at = std::vector<Clock::time_point>(Frames);
    double cpuMs = 0;
    QString error;
};

// Every frame's two E1.31 datagrams (universes 1 and 2), built beforehand.
std::vector<std::array<QByteArray, 2>> e131Frames() {
    const NetworkPackets::E131Source source{QUuid::createUuid(), QStringLiteral("bench"), 100};
    std::vector<std::array<QByteArray, 2>> frames;
    for (int n = 0; n < Frames; ++n) {
        const PanelMapping::Rgb rgb = levelRgb(white(), numbered(n));
        const QByteArrayView all(reinterpret_cast<const char*>(rgb.data()), qsizetype(rgb.size()));
        const auto sequence = std::uint8_t(n);
        frames.push_back({NetworkPackets::e131(source, 1, sequence, 0,
                                               all.first(NetworkPackets::FirstUniverseSlots)),
                          NetworkPackets::e131(source, 2, sequence, 0,
                                               all.sliced(NetworkPackets::FirstUniverseSlots))});
    }
    return frames;
}

// Sends the frames to 127.0.0.1:`port` at FramesPerSecond, on the calling thread.
Sent sendFrames(quint16 port) {
    Sent sent;
    const auto frames = e131Frames();
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const double cpuBefore = threadCpuMs();
    auto next = Clock::now();
    for (int n = 0; n < Frames; ++n) {
        std::this_thread::sleep_until(next);
        sent.at[std::size_t(n)] = Clock::now();
        for (const QByteArray& datagram : frames[std::size_t(n)])
            if (::sendto(fd, datagram.constData(), std::size_t(datagram.size()), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
                sent.error = QStringLiteral("sendto failed");
        next += std::chrono::microseconds(1'000'000 / FramesPerSecond);
    }
    sent.cpuMs = threadCpuMs() - cpuBefore;
    ::close(fd);
    return sent;
}

// The latencies of the frames seen, median and 99th percentile in microseconds.
void reportLatency(benchmark::State& state, const std::string& name, const Sent& sent,
                   const std::vector<std::optional<Clock::time_point>>& seen) {
    std::vector<double> us;
    for (std::size_t n = 0; n < seen.size(); ++n)
        if (seen[n])
            us.push_back(std::chrono::duration<double, std::micro>(*seen[n] - sent.at[n]).count());
    std::sort(us.begin(), us.end());
    state.counters[name + "_frames"] = double(us.size());
    if (us.empty())
        return;
    state.counters[name + "_median_us"] = us[us.size() / 2];
    state.counters[name + "_p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters[name + "_max_us"] = us.back();
}

quint16 freePort() {
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

class NoOtherInstance final : public InstanceCheck {
public:
    bool anotherInstanceRunning() override { return false; }
};

// Notes when each numbered frame is first handed to it.
class ShownAt final : public PortIo {
public:
    explicit ShownAt(std::vector<std::optional<Clock::time_point>>& seen) : seen_(seen) {}
    void writeData(std::uint8_t) override {}
    void writeControl(std::uint8_t) override {}
    bool refreshesItself() const override { return true; }
    bool takesLevels() const override { return true; }
    void showLevels(const LevelFrame& levels) override {
        const auto now = Clock::now();
        const auto n = std::size_t(numberOf(levels[0], levels[1], levels[2]));
        if (n < seen_.size() && !seen_[n] && levels == numbered(int(n)))
            seen_[n] = now;
    }

private:
    std::vector<std::optional<Clock::time_point>>& seen_;
};

void BM_ListenInThisProcess(benchmark::State& state) {
    for (auto _ : state) {
        const quint16 port = freePort();
        const CommandLine line = parseCommandLine(
            {"quentaro", "--listen", "e131", "--listen-address", "127.0.0.1", "--listen-port",
             QString::number(port), "--port", "shown-at", "--no-realtime"});
        std::vector<std::optional<Clock::time_point>> seen(Frames);
        const OutputOpener open = [&seen](const QString&, const PanelSetup&) -> OpenedOutput {
            return {std::make_unique<ShownAt>(seen), {}};
        };
        SignalPipe stopSignals;
        NoOtherInstance instance;
        Sent sent;
        std::thread sender;
        QTimer::singleShot(0, [&] {
            sender = std::thread([&sent, port] {
                sent = sendFrames(port);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                ::kill(::getpid(), SIGTERM);
            });
        });
        QString said;
        const double before = processCpuMs();
        const int status =
            listen(line, {instance, stopSignals, [&said](const QString& s) { said = s; }, open});
        const double used = processCpuMs() - before;
        sender.join();
        if (status != 0 || !sent.error.isEmpty()) {
            state.SkipWithError(qPrintable(
                QStringLiteral("listen ended with %1: %2 %3").arg(status).arg(said, sent.error)));
            return;
        }
        reportLatency(state, "to_output", sent, seen);
        state.counters["cpu_ms_per_s"] = (used - sent.cpuMs) / RunSeconds;
        state.counters["core_percent"] = (used - sent.cpuMs) / RunSeconds / 10;
    }
}

// The first arrival of each numbered frame at a DDP panel on 127.0.0.1, on a
// thread of its own until `stop`.
void receivePanel(int fd, std::atomic<bool>& stop,
                  std::vector<std::optional<Clock::time_point>>& seen) {
    timeval wait{0, 100'000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::array<std::uint8_t, 1500> buffer{};
    while (!stop) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        const auto now = Clock::now();
        if (got < 10 + 9)
            continue;
        // Default wiring: LEDs 0, 1 and 2 are the strip's first; level * 17 each.
        const auto n =
            std::size_t(numberOf(std::uint8_t(buffer[10] / 17), std::uint8_t(buffer[13] / 17),
                                 std::uint8_t(buffer[16] / 17)));
        if (n < seen.size() && !seen[n])
            seen[n] = now;
    }
}

void BM_ListenProgram(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir home;
        QDir(home.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(home.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                        QFileDevice::WriteOwner |
                                                                        QFileDevice::ExeOwner);
        const int panel = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        ::bind(panel, reinterpret_cast<const sockaddr*>(&at), sizeof at);
        ::getsockname(panel, reinterpret_cast<sockaddr*>(&at), &length);
        const quint16 listenPort = freePort();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
        program.setProcessEnvironment(env);
        program.setReadChannel(QProcess::StandardError);
        program.start(QStringLiteral(QUENTARO_PROGRAM),
                      {"--listen", "e131", "--listen-address", "127.0.0.1", "--listen-port",
                       QString::number(listenPort), "--port",
                       QStringLiteral("ddp:127.0.0.1:%1").arg(ntohs(at.sin_port)), "--colour",
                       "white", "--brightness", "100", "--max-fps", "120", "--no-realtime"});
        QByteArray said;
        while (!said.contains("waiting for a source") && program.waitForReadyRead(5000))
            said += program.readAllStandardError();
        if (!said.contains("waiting for a source")) {
            program.kill();
            program.waitForFinished();
            ::close(panel);
            state.SkipWithError(
                qPrintable("quentaro --listen did not start: " + QString::fromLocal8Bit(said)));
            return;
        }
        std::vector<std::optional<Clock::time_point>> seen(Frames);
        std::atomic<bool> stop = false;
        std::thread reader(receivePanel, panel, std::ref(stop), std::ref(seen));
        const double before = childCpuMs(program.processId());
        const Sent sent = sendFrames(listenPort);
        const double used = childCpuMs(program.processId()) - before;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
        reader.join();
        ::close(panel);
        program.terminate();
        program.waitForFinished(5000);
        reportLatency(state, "to_panel", sent, seen);
        state.counters["program_cpu_ms_per_s"] = used / RunSeconds;
        state.counters["program_core_percent"] = used / RunSeconds / 10;
        state.counters["exit_status"] = program.exitCode();
    }
}

// The resident memory of this process in MB.
double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

void BM_SyncFloodState(benchmark::State& state) {
    constexpr int Packets = 1'000'000;
    constexpr int PerSecond = 75'000;
    constexpr int PerTick = PerSecond / 4;
    for (auto _ : state) {
        const double before = residentMb();
        const auto frames = std::make_unique<ReceivedFrames>(ReceiveSetup{});
        const Sender from{QStringLiteral("10.0.0.2"), 5568};
        const auto start = Clock::now();
        for (int i = 0; i < Packets; ++i) {
            const auto at = std::chrono::microseconds(std::int64_t(i) * 1'000'000 / PerSecond);
            const ReceivedPackets::E131Sync sync{QUuid(uint(i), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10),
                                                 std::uint8_t(i), 7};
            frames->take(at, from, sync);
            if (i % PerTick == 0)
                frames->advance(at);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["rss_growth_mb"] = residentMb() - before;
        state.counters["packets_per_s"] = Packets / seconds;
    }
}

BENCHMARK(BM_SyncFloodState)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ListenInThisProcess)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ListenProgram)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
