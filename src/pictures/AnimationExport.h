#pragma once

#include "files/CHeaderLayout.h"
#include "pictures/BoardRendering.h"

#include <QString>
#include <cstdint>
#include <span>

enum class PngMode {
    CurrentFrame, // the current frame alone
    SpriteSheet,  // every frame, 64 to a row
};

struct ExportOptions {
    int scale = BoardRendering::DefaultScale; // pixels per LED, 1..16
    PngMode pngMode = PngMode::CurrentFrame;
    CHeaderLayout cHeader; // bit order, scan, PROGMEM and delays of a C header
};

struct ExportResult {
    bool ok = false;
    QString error; // says what went wrong when not ok
};

// Exports `frameCount` frames of 256 cells by the name's extension (any case):
// .gif an animated GIF, .png the current frame (counted from 1) or a sprite sheet,
// .h a C header. The file is written as an animation is saved (SafeSave): a target
// that is not a regular file is refused, and a failed export leaves whatever was
// there before unless the error says the file was changed.
ExportResult exportAnimation(const QString& path, std::span<const std::uint8_t> frames,
                             int frameCount, int currentImage, int intervalMs,
                             const ExportOptions& options);
