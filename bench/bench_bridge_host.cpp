// What driving the USB bridge costs the program: frames are shown at 25 per
// second (or frames of grey levels, four packets each) through the real event loop for a few
// seconds against a board played on a pseudo-terminal by another thread, and the CPU time of the
// thread that runs the bridge is taken with getrusage. Reports CPU ms per second of running and
// what the board received.
#include "bridge/BridgePort.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int RunSeconds = 4;
constexpr int FrameIntervalMs = 40;

void writePacket(int fd, std::uint8_t type, const std::uint8_t* payload, std::uint8_t len) {
    bp_packet p{};
    p.type = type;
    p.len = len;
    std::copy(payload, payload + len, p.payload);
    std::uint8_t wire[BP_MAX_ENCODED];
    const std::size_t n = bp_encode(&p, wire, sizeof wire);
    if (::write(fd, wire, n) != ssize_t(n))
        std::abort();
}

// The board: answers HELLO and counts what it receives, on its own thread.
class ThreadedBoard {
public:
    ThreadedBoard() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        path_ = QString::fromLocal8Bit(ptsname(master_));
        slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        thread_ = std::thread([this] { run(); });
    }
    ~ThreadedBoard() {
        stop_ = true;
        thread_.join();
        ::close(slave_);
        ::close(master_);
    }
    void sayReady() {
        const std::uint8_t version = BP_PROTOCOL_VERSION;
        writePacket(master_, BP_READY, &version, 1);
    }
    QString path() const { return path_; }
    std::atomic<int> frames{0};
    std::atomic<int> levelFrames{0};
    std::atomic<int> pings{0};

private:
    void run() {
        bp_decoder d;
        bp_decoder_init(&d);
        while (!stop_) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0)
                continue;
            std::uint8_t buf[256];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i)
                take(d, buf[i]);
        }
    }
    void take(bp_decoder& d, std::uint8_t byte) {
        bp_packet p;
        if (bp_decoder_feed(&d, byte, &p) != BP_OK)
            return;
        if (p.type == BP_HELLO) {
            const std::uint8_t ident[BP_IDENT_PAYLOAD] = {BP_PROTOCOL_VERSION, 0, 1, 16, 16};
            writePacket(master_, BP_IDENT, ident, sizeof ident);
        }
        frames += p.type == BP_FRAME;
        levelFrames += p.type == BP_LEVEL_PLANE(BP_LEVEL_PLANES - 1);
        pings += p.type == BP_PING;
    }

    int master_ = -1;
    int slave_ = -1;
    QString path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double threadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// Arg 0: every frame differs; 1: the same frame over and over (only PINGs go
// out); 2: every frame a different ramp of grey levels.
void BM_BridgeHostAt25Fps(benchmark::State& state) {
    const bool changing = state.range(0) != 1;
    const bool levels = state.range(0) == 2;
    for (auto _ : state) {
        ThreadedBoard board;
        BridgePort bridge(board.path(), [](const QString&) {});
        board.sayReady();
        QEventLoop loop;
        QObject::connect(&bridge, &BridgePort::linkChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::chrono::seconds(5), &loop, &QEventLoop::quit);
        while (bridge.link() != BridgePort::Link::Up && loop.exec() == 0 &&
               bridge.link() != BridgePort::Link::Refused) {
        }
        if (bridge.link() != BridgePort::Link::Up) {
            state.SkipWithError("no link to the pseudo-terminal board");
            return;
        }
        int shown = 0;
        QTimer frameTimer;
        frameTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&frameTimer, &QTimer::timeout, [&] {
            ++shown;
            if (levels) {
                PortIo::LevelFrame ramp;
                for (std::size_t led = 0; led < ramp.size(); ++led)
                    ramp[led] = std::uint8_t((led + std::size_t(shown)) % 16);
                bridge.showLevels(ramp);
                return;
            }
            PortIo::PackedFrame f{};
            f.fill(std::uint8_t(changing ? shown : 1));
            bridge.showFrame(f);
        });
        const double before = threadCpuMs();
        frameTimer.start(FrameIntervalMs);
        QEventLoop run;
        QTimer::singleShot(std::chrono::seconds(RunSeconds), &run, &QEventLoop::quit);
        run.exec();
        const double used = threadCpuMs() - before;
        state.counters["cpu_ms_per_s"] = used / RunSeconds;
        state.counters["frames_per_s"] = double(board.frames + board.levelFrames) / RunSeconds;
        state.counters["pings_per_s"] = double(board.pings) / RunSeconds;
    }
}

BENCHMARK(BM_BridgeHostAt25Fps)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
