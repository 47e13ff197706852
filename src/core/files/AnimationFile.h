#pragma once

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

// Writes the animation to `path` as one atomic replacement: on any failure the
// file that was there stays as it was.
bool save(const QString& path, std::span<const std::uint8_t> frames);

} // namespace AnimationFile
