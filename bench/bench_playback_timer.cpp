// How evenly the animation steps: the real window plays a three-frame animation at
// Max speed through the Qt event loop, and the time between consecutive ticks is
// taken with the steady clock. Reports the median, min and max step in ms.
#include "support/FakeServices.h"

#include "QtBenchmarkMain.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace {

// A refusal ends the benchmark with it rather than timing nothing.
#define SKIP_ON_REFUSAL(refusal)                                                                   \
    if (const QString why = (refusal); !why.isEmpty()) {                                           \
        state.SkipWithError(why.toStdString().c_str());                                            \
        return;                                                                                    \
    }

using SteadyClock = std::chrono::steady_clock;
constexpr int Steps = 100;

void BM_PlaybackTickInterval(benchmark::State& state) {
    std::vector<double> steps;
    for (auto _ : state) {
        EditorFixture f;
        f->click(Control::AddImage);
        f->click(Control::AddImage);
        f->click(Control::MaxSpeed);

        // The first tick comes after the design interval and copies Max speed into
        // the timer; the steps measured are the ones after it.
        std::vector<SteadyClock::time_point> ticks;
        QEventLoop loop;
        f->setAfterHandler([&] {
            ticks.push_back(SteadyClock::now());
            if (ticks.size() == Steps + 1)
                loop.quit();
        });
        QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
        f->click(Control::StartStop);
        ticks.clear(); // the click itself is no tick
        loop.exec();
        f->setAfterHandler({});
        f->click(Control::StartStop);
        if (ticks.size() != Steps + 1) {
            state.SkipWithError("the animation stopped ticking");
            return;
        }
        for (std::size_t i = 1; i < ticks.size(); ++i)
            steps.push_back(
                std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    }
    std::sort(steps.begin(), steps.end());
    const std::size_t n = steps.size();
    state.counters["median_ms"] = n % 2 ? steps[n / 2] : (steps[n / 2 - 1] + steps[n / 2]) / 2;
    state.counters["min_ms"] = steps.front();
    state.counters["max_ms"] = steps.back();
    state.counters["steps"] = static_cast<double>(n);
}

// A ping-pong animation of three frames held 60, 150 and 300 ms, played through
// the Qt event loop: how long each frame really stayed, from one step to the
// next, against its hold time. Reports the worst difference per frame in ms.
void BM_PingPongHoldTimes(benchmark::State& state) {
    constexpr std::array<int, 3> Holds{60, 150, 300};
    std::array<double, 3> worst{};
    int counted = 0;
    for (auto _ : state) {
        EditorFixture f;
        f->click(Control::AddImage);
        f->click(Control::AddImage);
        f->click(Control::FirstImage);
        SKIP_ON_REFUSAL(f->setHoldTimes({1}, Holds[0]));
        SKIP_ON_REFUSAL(f->setHoldTimes({2}, Holds[1]));
        SKIP_ON_REFUSAL(f->setHoldTimes({3}, Holds[2]));
        SKIP_ON_REFUSAL(f->setPlayMode(PlayMode::PingPong));
        std::vector<std::pair<int, SteadyClock::time_point>> shown;
        QEventLoop loop;
        f->setAfterHandler([&] {
            const int image = f->animation().currentImage();
            if (shown.empty() || shown.back().first != image)
                shown.emplace_back(image, SteadyClock::now());
            if (shown.size() == 41)
                loop.quit();
        });
        QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
        f->click(Control::StartStop);
        loop.exec();
        f->setAfterHandler({});
        f->click(Control::StartStop);
        // The first frame shown after Start waits for the timer's start-up.
        for (std::size_t i = 2; i < shown.size(); ++i) {
            const int image = shown[i - 1].first;
            const double stayed =
                std::chrono::duration<double, std::milli>(shown[i].second - shown[i - 1].second)
                    .count();
            double& w = worst[std::size_t(image - 1)];
            w = std::max(w, std::abs(stayed - Holds[std::size_t(image - 1)]));
            ++counted;
        }
    }
    for (std::size_t frame = 0; frame < Holds.size(); ++frame)
        state.counters["worst_off_ms_" + std::to_string(Holds[frame])] = worst[frame];
    state.counters["frames_timed"] = counted;
}

} // namespace

BENCHMARK(BM_PlaybackTickInterval)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PingPongHoldTimes)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
