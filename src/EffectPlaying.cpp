#include "EffectPlaying.h"

#include "cli/CommandLine.h"
#include "editor/InstanceCheck.h"
#include "effects/Catalogue.h"
#include "player/SignalPipe.h"
#include "port/MatrixOutput.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace {

void showNext(Effects::Run& run, int frameMs, MatrixOutput& output) {
    const std::vector<std::uint8_t>& levels = run.next(frameMs);
    MatrixOutput::LevelFrame frame{};
    std::copy_n(levels.begin(), std::min(levels.size(), frame.size()), frame.begin());
    output.showLevels(frame);
}

} // namespace

int playEffect(const CommandLine& line, EffectPlayServices services) {
    const auto& error = services.error;
    if (refusedBeforeTheOutputs(line, services.instanceCheck)) {
        error(services.instanceCheck.refusalLine());
        return 1;
    }
    OutputSet outputs = openOutputs(line, false, error);
    if (const int failed = startBoards(outputs, services.instanceCheck, error))
        return failed;
    MatrixOutput* output = outputs.output();
    const Effects::EffectInfo& info = *line.effect->effect;
    Effects::Run run(info, line.effect->setup(line.seed));
    const int frameMs = line.intervalGiven ? line.intervalMs : info.frameMs;
    QEventLoop loop;
    QObject::connect(&services.stopSignals, &SignalPipe::received, &loop, [&loop] { loop.quit(); });
    QTimer frames;
    frames.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frames, &QTimer::timeout, &loop,
                     [&run, frameMs, output] { showNext(run, frameMs, *output); });
    showNext(run, frameMs, *output);
    output->refresh(true, [] {}); // "LPT on": from now on every frame shows
    frames.start(frameMs);
    loop.exec();
    output->darken();
    output->close();
    return 0;
}
