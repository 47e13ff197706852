#pragma once

#include "files/CHeaderLayout.h"
#include "pictures/BoardRendering.h"
#include "pictures/ExportAnimation.h"

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

// Exports the animation by the name's extension (any case): .gif an animated GIF
// (each frame for its hold time, else the speed), .png the current frame or a
// sprite sheet, .h a C header; with levels every LED in its grey level's shade,
// or its level in the header. The file is written as an animation is saved
// (SafeSave): a target that is not a regular file is refused, and a failed export
// leaves whatever was there before unless the error says the file was changed.
ExportResult exportAnimation(const QString& path, const ExportAnimation& animation,
                             const ExportOptions& options);
