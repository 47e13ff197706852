#pragma once

#include "frames/FrameStore.h"

#include <QIODevice>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// Pictures (PNG, BMP, JPEG, GIF with all its frames) turned into frames: each one
// reduced to 16 x 16 grey levels and lit where bright enough, or kept as the
// board's 16 levels of light.
namespace PictureImport {

constexpr int MaxSide = 8192;
constexpr int MaxFrames = 32767;
// The decoded pixels of all pictures of one file, 4 bytes each, stay within a
// gigabyte. Only one picture is held decoded at a time.
constexpr qint64 MaxDecodedBytes = qint64{1} << 30;
constexpr qint64 MaxFileBytes = qint64{256} << 20;

using Cells = std::array<std::uint8_t, FrameStore::CellsPerFrame>;

// How a picture that is not square goes onto the square board.
enum class Fit {
    Stretch,   // the whole picture, squeezed to a square
    Letterbox, // the whole picture in its own shape, black bars beside it
    Crop,      // the middle of the picture in its own shape, filling the board
};
constexpr int FitCount = 3;

// A picture reduced to 16 x 16 grey levels in each of the fits.
struct Reduced {
    std::array<Cells, FitCount> grey{};
    // A picture of the board this program exported: the level (0..MaxLevel) each
    // LED was drawn at, which shades keep in place of its brightness.
    std::optional<Cells> boardLevels;
    const Cells& operator[](Fit fit) const { return grey[static_cast<std::size_t>(fit)]; }
};

struct ImportResult {
    bool ok = false;
    QString error; // says what went wrong when not ok; then there are no pictures
    std::vector<Reduced> pictures;
    // A GIF's delay of each picture in milliseconds as viewers play it (under 20
    // ms as 100), 0 for one without; empty for other formats.
    std::vector<int> delaysMs;
};

// Told before each picture is decoded, with the number of pictures in the file;
// returning false stops the reading, which then fails.
using Progress = std::function<bool(int done, int total)>;

// Reads every picture of the file, reducing each as soon as it is decoded. A
// file in another format, damaged, cut short or too large gives an error and no
// pictures; sizes and frame counts are checked before anything is decoded.
ImportResult readPictures(const QString& path, const Progress& progress = {});
ImportResult readPictures(QIODevice& device, const Progress& progress = {});

// The picture averaged down to 16 x 16 grey levels (0..255), row-major from the
// top-left. Transparent parts count as black, and so do letterbox bars.
Reduced reduce(const QImage& picture);
Cells greyLevels(const QImage& picture, Fit fit = Fit::Stretch);

// Lit (1) where the grey level is at least `threshold`, or below it with `invert`.
Cells threshold(const Cells& grey, int threshold, bool invert);

std::vector<Cells> toFrames(const std::vector<Reduced>& pictures, int threshold, bool invert,
                            Fit fit = Fit::Stretch);

// How grey levels between two of the board's levels are shown when shades are kept.
enum class Dither {
    None,           // each LED the nearest level
    Ordered,        // a 4 x 4 Bayer pattern of the two nearest levels
    FloydSteinberg, // each LED's rounding error spread to the LEDs right of and below it
};

// The grey levels as the board's levels of light, 0 (dark) to FrameStore::MaxLevel,
// in the cells' level bytes (FrameStore::cellForLevel). A level is that share of
// the full light, so the grey (brighter where `invert` is false) is taken out of
// its sRGB encoding to linear light first: grey 128 is about a fifth of white's
// light, level 3.
Cells shades(const Cells& grey, bool invert, Dither dither);

struct Conversion {
    bool keepShades = false; // levels by shades(); else lit at or above the threshold
    int threshold = 128;
    bool invert = false;
    Dither dither = Dither::None; // with keepShades
};
// The levels of one picture as shades() gives them, or as the board's picture
// was drawn (inverted with `invert`), whatever the dither.
Cells shadesOf(const Reduced& picture, const Conversion& conversion, Fit fit = Fit::Stretch);

struct Converted {
    std::vector<Cells> frames;
    // Some LED lies between dark and full light: the animation needs its levels.
    bool hasLevels = false;
};
Converted convert(const std::vector<Reduced>& pictures, const Conversion& conversion,
                  Fit fit = Fit::Stretch);

// The hold times (AnimationExtras) of pictures shown for `delaysMs` each, in an
// animation stepping at `intervalMs`: none for a picture shown for the step time
// as a GIF writes it (to the hundredth), or without a delay, else its delay
// within the hold times' range. Empty when every picture follows the step time.
std::vector<std::uint16_t> holdTimes(std::span<const int> delaysMs, int intervalMs);

// The mean grey level of the pictures, rounded: a threshold that lights about the
// brighter half. 128 when there are none.
int meanBrightness(const std::vector<Reduced>& pictures, Fit fit = Fit::Stretch);
int meanBrightness(std::span<const Cells> grey);

} // namespace PictureImport
