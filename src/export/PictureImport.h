#pragma once

#include "frames/FrameStore.h"

#include <QIODevice>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Pictures (PNG, BMP, JPEG, GIF with all its frames) turned into frames: each one
// reduced to 16 x 16 grey levels and lit where bright enough.
namespace PictureImport {

constexpr int MaxSide = 8192;
constexpr int MaxFrames = 32767;
// Keeps all decoded frames of one file within a gigabyte.
constexpr qint64 MaxDecodedBytes = qint64{1} << 30;
constexpr qint64 MaxFileBytes = qint64{256} << 20;

using Cells = std::array<std::uint8_t, FrameStore::CellsPerFrame>;

struct ImportResult {
    bool ok = false;
    QString error; // says what went wrong when not ok; then there are no pictures
    std::vector<QImage> pictures;
};

// Reads every picture of the file; a damaged, oversized or unreadable file gives
// an error and no pictures.
ImportResult readPictures(const QString& path);
ImportResult readPictures(QIODevice& device); // the format told by the content

// The picture averaged down to 16 x 16 grey levels (0..255), row-major from the
// top-left. Transparent parts count as black.
Cells greyLevels(const QImage& picture);

// Lit (1) where the grey level is at least `threshold`, or below it with `invert`.
Cells threshold(const Cells& grey, int threshold, bool invert);

std::vector<Cells> toFrames(const std::vector<QImage>& pictures, int threshold, bool invert);

// The mean grey level of the pictures reduced to 16 x 16, rounded: a threshold that
// lights about the brighter half. 128 when there are none.
int meanBrightness(const std::vector<QImage>& pictures);
int meanBrightness(std::span<const Cells> grey);

} // namespace PictureImport
