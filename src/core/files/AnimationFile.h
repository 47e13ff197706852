#pragma once

#include "files/SafeSave.h"

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

} // namespace AnimationFile
