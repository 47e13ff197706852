#include "FileExport.h"

#include "cli/CommandLine.h"
#include "files/AnimationFile.h"
#include "files/NativeFormat.h"
#include "frames/FrameStore.h"

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

// A .led read as it is, byte for byte, so that odd values survive .led to .led.
int writeLed(const CommandLine& line, const AnimationFile::LoadedAnimation& loaded) {
    std::vector<std::uint8_t> frames;
    if (loaded.kind == AnimationFile::Kind::Led) {
        const AnimationFile::Attempt raw = AnimationFile::tryLoad(line.file);
        if (!raw.loaded)
            return fail(line.file, raw.error);
        frames = raw.loaded->frames;
    } else {
        NativeFormat::LedStore store = NativeFormat::toLedStore(loaded.animation);
        if (!store.lost.empty())
            say(QStringLiteral("%1: a .led file does not keep %2; the LEDs at or above half "
                               "level are written lit")
                    .arg(line.exportPath, QString::fromStdString(store.lost)));
        frames = std::move(store.frames);
    }
    const SafeSave::Result saved = AnimationFile::save(line.exportPath, frames);
    return saved.ok ? 0 : fail(line.exportPath, saved.error);
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

} // namespace

int exportFile(const CommandLine& line) {
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
