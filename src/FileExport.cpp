#include "FileExport.h"

#include "cli/CommandLine.h"
#include "effects/Catalogue.h"
#include "files/AnimationFile.h"
#include "files/NativeFormat.h"
#include "frames/FrameStore.h"
#include "playback/SpeedLadder.h"

#ifdef QUENTARO_HAVE_PICTURES
#include "pictures/AnimationExport.h"
#endif

#include <QFileInfo>
#include <cstdio>

namespace {

void say(const QString& text) {
    std::fprintf(stderr, "quentaro: %s\n", text.toLocal8Bit().constData());
}

int fail(const QString& path, const QString& why) {
    say(QStringLiteral("%1: %2").arg(path, why));
    return 1;
}

QString suffixOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

int saveLed(const CommandLine& line, const std::vector<std::uint8_t>& frames) {
    const SafeSave::Result saved = AnimationFile::save(line.exportPath, frames);
    return saved.ok ? 0 : fail(line.exportPath, saved.error);
}

int writeLedFrom(const CommandLine& line, const NativeAnimation& animation) {
    NativeFormat::LedStore store = NativeFormat::toLedStore(animation);
    if (!store.lost.empty())
        say(QStringLiteral("%1: a .led file does not keep %2; the LEDs at or above half "
                           "level are written lit")
                .arg(line.exportPath, QString::fromStdString(store.lost)));
    return saveLed(line, store.frames);
}

// A .led read as it is, byte for byte, so that odd values survive .led to .led.
int writeLed(const CommandLine& line, const AnimationFile::LoadedAnimation& loaded) {
    if (loaded.kind != AnimationFile::Kind::Led)
        return writeLedFrom(line, loaded.animation);
    const AnimationFile::Attempt raw = AnimationFile::tryLoad(line.file);
    if (!raw.loaded)
        return fail(line.file, raw.error);
    return saveLed(line, raw.loaded->frames);
}

// The file keeps a speed: --interval's when given, else the animation's own.
int writeNative(const CommandLine& line, NativeAnimation animation) {
    if (line.intervalGiven)
        animation.speedMs = line.intervalMs;
    const SafeSave::Result saved = AnimationFile::saveNative(line.exportPath, animation);
    return saved.ok ? 0 : fail(line.exportPath, saved.error);
}

#ifdef QUENTARO_HAVE_PICTURES
// A PNG from the command line holds every frame, as a sprite sheet. The speed
// is --interval's, or the native file's own when it has one.
int writePicture(const CommandLine& line, const NativeAnimation& animation) {
    std::vector<std::uint8_t> cells(animation.levels.size());
    for (std::size_t cell = 0; cell < cells.size(); ++cell)
        cells[cell] = FrameStore::cellForLevel(animation.levels[cell]);
    ExportOptions options;
    options.scale = line.scale;
    options.pngMode = PngMode::SpriteSheet;
    options.cHeader = line.cHeader;
    const int intervalMs = line.intervalGiven ? line.intervalMs : animation.speedMs;
    const std::span<const std::uint16_t> holds =
        animation.hasHoldTimes() ? std::span(animation.holdMs) : std::span<const std::uint16_t>{};
    const ExportResult result =
        exportAnimation(line.exportPath,
                        {cells, animation.frameCount(), 1, intervalMs, animation.hasLevels(), holds,
                         AnimationFile::playModeOf(animation.playMode)},
                        options);
    return result.ok ? 0 : fail(line.exportPath, result.error);
}
#endif

// The effect's frames, each --interval's time or the effect's own apart.
NativeAnimation effectAnimation(const CommandLine& line) {
    const Effects::EffectInfo& info = *line.effect->effect;
    const Effects::Setup setup = line.effect->setup(line.seed);
    const int frameMs = line.intervalGiven ? line.intervalMs : info.frameMs;
    NativeAnimation animation;
    animation.name = std::string(info.name);
    animation.speedMs = SpeedLadder::nearestStep(frameMs);
    animation.levels = Effects::renderFrames(info, setup, line.frames, frameMs);
    const int hold = animation.speedMs == frameMs ? 0 : frameMs;
    animation.holdMs.assign(std::size_t(line.frames), std::uint16_t(hold));
    return animation;
}

int exportEffect(const CommandLine& line) {
    const NativeAnimation animation = effectAnimation(line);
    const QString suffix = suffixOf(line.exportPath);
    if (suffix == QLatin1String("qanim"))
        return writeNative(line, animation);
    if (suffix == QLatin1String("led"))
        return writeLedFrom(line, animation);
#ifdef QUENTARO_HAVE_PICTURES
    return writePicture(line, animation);
#else
    return fail(line.exportPath, QStringLiteral("this build exports only .led and .qanim"));
#endif
}

} // namespace

int exportFile(const CommandLine& line) {
    if (line.effect)
        return exportEffect(line);
    const AnimationFile::AnimationAttempt attempt = AnimationFile::tryLoadAnimation(line.file);
    if (!attempt.loaded)
        return fail(line.file, attempt.error);
    const QString suffix = suffixOf(line.exportPath);
    if (suffix == QLatin1String("qanim"))
        return writeNative(line, attempt.loaded->animation);
    if (suffix == QLatin1String("led"))
        return writeLed(line, *attempt.loaded);
#ifdef QUENTARO_HAVE_PICTURES
    return writePicture(line, attempt.loaded->animation);
#else
    return fail(line.exportPath, QStringLiteral("this build exports only .led and .qanim"));
#endif
}
