#pragma once

#include "files/NativeFormat.h"
#include "files/SafeSave.h"
#include "frames/AnimationExtras.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Reading and writing whole animation files on disk.
namespace AnimationFile {

struct Loaded {
    std::vector<std::uint8_t> frames;
    int frameCount = 0;
    std::int64_t fileLength = 0;
};

// The animation in the file at `path`, or nothing when the file cannot be opened,
// is a directory, is empty or too long, or any of its lines is bad.
std::optional<Loaded> load(const QString& path);

// The same, with the reason when the file does not load: no such file, not a
// regular file, a value out of range at line N, too long, ...
struct Attempt {
    std::optional<Loaded> loaded;
    QString error;
};
Attempt tryLoad(const QString& path);

// Writes the animation to `path` by the rules of SafeSave::writeFile: a failure
// carries the system's reason and, unless fileChanged is set, leaves the file
// that was there as it was.
SafeSave::Result save(const QString& path, std::span<const std::uint8_t> frames);

// Either kind of animation file, told apart by its content whatever its name:
// the program's own (starting "QUENTARO-ANIMATION ") or, for anything else, a
// `.led` file, which gives levels 0 and 15, no hold times, Loop at 301 ms.
// A UTF-8 byte order mark before either is skipped, here and in load().
enum class Kind { Led, Native };
struct LoadedAnimation {
    NativeAnimation animation;
    Kind kind = Kind::Led;
    std::int64_t fileLength = 0;
};
// The reason when the file does not load is tryLoad()'s for a `.led` file, and
// for the program's own file what is wrong at which line ("a hold time of 20 ms
// other than 0 or 40..65535 at line 7").
struct AnimationAttempt {
    std::optional<LoadedAnimation> loaded;
    QString error;
};
AnimationAttempt tryLoadAnimation(const QString& path);

// Writes the animation in the program's own format, by the rules of save().
SafeSave::Result saveNative(const QString& path, const NativeAnimation& animation);

// The play mode as the animation and as the program's own file keep it.
PlayMode playModeOf(NativeAnimation::PlayMode mode);
NativeAnimation::PlayMode nativePlayMode(PlayMode mode);

} // namespace AnimationFile
