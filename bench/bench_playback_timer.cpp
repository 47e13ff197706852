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
#include <chrono>
#include <vector>

namespace {

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

} // namespace

BENCHMARK(BM_PlaybackTickInterval)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
