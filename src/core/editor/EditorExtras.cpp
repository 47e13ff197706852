// What an animation has beyond on/off frames: the grey level the tools draw
// with, the hold times, the play mode and the name, and the animation as the
// program's own file keeps them.
#include "editor/Editor.h"
#include "files/AnimationFile.h"
#include "frames/FrameStore.h"

#include <algorithm>

void Editor::setDrawLevel(int level) {
    drawLevel_ = std::clamp(level, 0, FrameStore::MaxLevel);
}

QString Editor::runExtrasCommand(FrameCommandPtr command) {
    if (QString refusal = refusalToEdit(); !refusal.isEmpty())
        return refusal;
    History::Step step{std::move(command), view()};
    step.command->redo(animation_);
    record(std::move(step));
    afterHandler();
    return {};
}

QString Editor::setHoldTimes(std::vector<int> images, int ms) {
    if (!AnimationExtras::isHoldTime(ms))
        return QStringLiteral("a hold time is 0 or %1 to %2 ms, not %3")
            .arg(AnimationExtras::MinHoldMs)
            .arg(AnimationExtras::MaxHoldMs)
            .arg(ms);
    std::sort(images.begin(), images.end());
    images.erase(std::unique(images.begin(), images.end()), images.end());
    if (images.empty())
        return QStringLiteral("no image is chosen to time");
    if (images.front() < 1 || images.back() > animation_.imageCount())
        return QStringLiteral("images are numbered 1 to %1").arg(animation_.imageCount());
    return runExtrasCommand(FrameCommands::setHoldTimes(std::move(images), ms));
}

QString Editor::setPlayMode(PlayMode mode) {
    return runExtrasCommand(FrameCommands::setPlayMode(mode));
}

QString Editor::setName(const QString& name) {
    std::string bytes = name.toStdString();
    if (bytes.size() > NativeFormat::MaxNameBytes)
        return QStringLiteral("a name takes at most %1 bytes of UTF-8, not %2")
            .arg(NativeFormat::MaxNameBytes)
            .arg(bytes.size());
    return runExtrasCommand(FrameCommands::setName(std::move(bytes)));
}

NativeAnimation Editor::nativeAnimation() const {
    NativeAnimation native;
    native.name = animation_.name();
    native.playMode = AnimationFile::nativePlayMode(animation_.playMode());
    native.speedMs = playback_.intervalMs();
    const std::span<const std::uint8_t> cells = animation_.images();
    native.levels.resize(cells.size());
    std::transform(cells.begin(), cells.end(), native.levels.begin(),
                   [this](std::uint8_t cell) { return std::uint8_t(animation_.levelOf(cell)); });
    for (int image = 1; image <= native.frameCount(); ++image)
        native.holdMs.push_back(static_cast<std::uint16_t>(animation_.holdMs(image)));
    return native;
}

bool Editor::needsNativeFile() const {
    return animation_.hasLevels() || animation_.hasHoldTimes() ||
           animation_.playMode() != PlayMode::Loop || !animation_.name().empty();
}
