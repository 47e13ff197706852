#pragma once

#include <QtGlobal>
#include <benchmark/benchmark.h>

// The main of a benchmark that needs a Qt application object of type App for
// its event loop, timers or image plugins. Runs without a display.
template <typename App> int runQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
