// What driving a network panel costs the program: a 25 frames/s animation (every
// frame different, mapped to the strip) goes through the whole-frame output to
// a NetworkPort for a few seconds of the real event loop, to a receiver on
// 127.0.0.1 that never reads (the kernel drops what it cannot hold). The CPU
// time of the whole process is taken with getrusage; reported per second of
// animation, and as a share of one core.
#include "network/NetworkPort.h"
#include "port/MatrixOutput.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <chrono>
#include <sys/resource.h>

namespace {

constexpr int RunSeconds = 4;
constexpr int FrameIntervalMs = 40;

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// Arg: the protocol, as NetworkTarget::Protocol (DDP, E1.31, Art-Net).
void BM_NetworkPanelAt25Fps(benchmark::State& state) {
    const auto protocol = NetworkTarget::Protocol(state.range(0));
    for (auto _ : state) {
        QUdpSocket panel;
        if (!panel.bind(QHostAddress::LocalHost, 0)) {
            state.SkipWithError("no port on 127.0.0.1 for the panel");
            return;
        }
        NetworkTarget target{protocol, QStringLiteral("127.0.0.1"), panel.localPort(), 1};
        PanelMapping mapping;
        mapping.wiring.rotation = 90;
        NetworkPort port(target, mapping, {});
        WholeFrameOutput output(port);
        output.refresh(false, [] {}); // "LPT on"
        int sent = 0;
        QObject::connect(&port, &NetworkPort::sent, [&sent] { ++sent; });
        int shown = 0;
        QTimer frameTimer;
        frameTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&frameTimer, &QTimer::timeout, [&] {
            PortIo::PackedFrame f{};
            for (std::size_t i = 0; i < f.size(); ++i)
                f[i] = std::uint8_t(shown * 31 + int(i) * 7);
            ++shown;
            output.show(f);
        });
        const double before = processCpuMs();
        frameTimer.start(FrameIntervalMs);
        QEventLoop run;
        QTimer::singleShot(std::chrono::seconds(RunSeconds), &run, &QEventLoop::quit);
        run.exec();
        const double used = processCpuMs() - before;
        state.counters["cpu_ms_per_s"] = used / RunSeconds;
        state.counters["core_percent"] = used / RunSeconds / 10;
        state.counters["frames_per_s"] = double(sent) / RunSeconds;
    }
}

BENCHMARK(BM_NetworkPanelAt25Fps)
    ->Arg(int(NetworkTarget::Protocol::Ddp))
    ->Arg(int(NetworkTarget::Protocol::E131))
    ->Arg(int(NetworkTarget::Protocol::ArtNet))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
