#pragma once

#include "frames/Selection.h"

#include <QImage>
#include <QMimeData>
#include <memory>
#include <optional>

// Copied LEDs on the system clipboard: in the program's own form, so that
// another window of it pastes them exactly where they were, and as a picture
// for other programs (a pixel an LED, its level as a grey, the LEDs not copied
// transparent). A picture from another program comes back as LEDs.
namespace RegionClipboard {

inline constexpr const char* MimeType = "application/x-quentaro-leds";

// `levels`: the bytes are grey levels (an animation with levels), else on or off.
std::unique_ptr<QMimeData> toMimeData(const Region& region, bool levels);
QImage toPicture(const Region& region, bool levels);

// LEDs from the clipboard's contents, as bytes of an animation with levels
// (`levels`) or without: the program's own form first, else a picture (one no
// larger than the board a pixel an LED from the top-left corner, its
// transparent pixels left out; a larger one fitted to the board), lit where
// at least half as bright as white, or at its nearest level. None when the
// clipboard holds neither, or LEDs in a damaged form.
std::optional<Region> fromMimeData(const QMimeData& data, bool levels);
// Why the clipboard's contents are not taken: LEDs in the program's own form
// longer than any copy of them (another program's text, which could hold the
// window up), or a picture larger than an import takes; empty when they are.
QString refusal(const QMimeData* data);
Region fromPicture(const QImage& picture, bool levels);

} // namespace RegionClipboard
