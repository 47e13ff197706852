#include "pictures/GifExport.h"

#include "frames/FrameStore.h"
#include "pictures/BoardRendering.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <memory>

namespace GifExport {
namespace {

// --- palette -----------------------------------------------------------------------------

struct ColourCount {
    QRgb colour;
    int count;
};

int channel(QRgb colour, int which) {
    return which == 0 ? qRed(colour) : which == 1 ? qGreen(colour) : qBlue(colour);
}

struct ColourBox {
    std::size_t begin;
    std::size_t end;
};

// The channel along which the box's colours spread most, and that spread.
std::pair<int, int> widestChannel(const std::vector<ColourCount>& colours, ColourBox box) {
    std::pair<int, int> widest{0, 0};
    for (int which = 0; which < 3; ++which) {
        const auto [low, high] = std::minmax_element(
            colours.begin() + box.begin, colours.begin() + box.end, [which](auto a, auto b) {
                return channel(a.colour, which) < channel(b.colour, which);
            });
        const int spread = channel(high->colour, which) - channel(low->colour, which);
        if (spread > widest.second)
            widest = {which, spread};
    }
    return widest;
}

// Splits the box at the median of its pixels along `which`, keeping both halves
// non-empty.
std::pair<ColourBox, ColourBox> splitBox(std::vector<ColourCount>& colours, ColourBox box,
                                         int which) {
    std::sort(colours.begin() + box.begin, colours.begin() + box.end, [which](auto a, auto b) {
        return channel(a.colour, which) < channel(b.colour, which);
    });
    long total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i)
        total += colours[i].count;
    long below = 0;
    std::size_t cut = box.begin + 1;
    for (; cut < box.end - 1; ++cut) {
        below += colours[cut - 1].count;
        if (2 * below >= total)
            break;
    }
    return {{box.begin, cut}, {cut, box.end}};
}

QRgb meanColour(const std::vector<ColourCount>& colours, ColourBox box) {
    std::array<long, 3> sums{};
    long total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int which = 0; which < 3; ++which)
            sums[which] += long{channel(colours[i].colour, which)} * colours[i].count;
        total += colours[i].count;
    }
    const auto mean = [&](int which) {
        return static_cast<int>((sums[which] + total / 2) / total);
    };
    return qRgb(mean(0), mean(1), mean(2));
}

// Median cut: keeps splitting the box whose colours spread most until there are
// `maxColours` boxes or each holds one colour; a box's colour is its pixels' mean.
std::vector<QRgb> medianCut(std::vector<ColourCount> colours, int maxColours) {
    std::vector<ColourBox> boxes{{0, colours.size()}};
    while (static_cast<int>(boxes.size()) < maxColours) {
        std::size_t chosen = boxes.size();
        std::pair<int, int> chosenChannel{0, 0};
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const auto widest = widestChannel(colours, boxes[i]);
            if (widest.second > chosenChannel.second) {
                chosen = i;
                chosenChannel = widest;
            }
        }
        if (chosen == boxes.size())
            break;
        const auto [low, high] = splitBox(colours, boxes[chosen], chosenChannel.first);
        boxes[chosen] = low;
        boxes.push_back(high);
    }
    std::vector<QRgb> palette;
    for (const ColourBox& box : boxes)
        palette.push_back(meanColour(colours, box));
    return palette;
}

std::uint8_t nearestIndex(const std::vector<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int distance = 0;
        for (int which = 0; which < 3; ++which) {
            const int d = channel(palette[i], which) - channel(colour, which);
            distance += d * d;
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::vector<std::uint8_t> toIndices(const QImage& tile, const std::vector<QRgb>& palette) {
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            indices.push_back(nearestIndex(palette, tile.pixel(x, y)));
    return indices;
}

// The first palette index no tile uses (median cut may leave a colour that is
// nobody's nearest), else the one after the palette.
std::uint8_t unusedIndex(const IndexedTiles& tiles) {
    std::vector<bool> used(tiles.palette.size());
    for (const auto& tile : tiles.shades)
        for (std::uint8_t index : tile)
            used[index] = true;
    return static_cast<std::uint8_t>(std::find(used.begin(), used.end(), false) - used.begin());
}

// --- writing -----------------------------------------------------------------------------

struct Sink {
    QIODevice* device;
    QByteArray* capture = nullptr; // while set, what giflib writes lands here instead
    bool failed = false;
};

int writeToSink(GifFileType* gif, const GifByteType* data, int length) {
    auto* sink = static_cast<Sink*>(gif->UserData);
    if (sink->capture) {
        sink->capture->append(reinterpret_cast<const char*>(data), length);
        return length;
    }
    if (sink->device->write(reinterpret_cast<const char*>(data), length) != length) {
        sink->failed = true;
        return 0;
    }
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct ColourMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The LEDs that differ between two frames, inclusive, in LED rows and columns; an
// empty box (right < left) when none does.
struct LedBox {
    int left = FrameStore::Side;
    int top = FrameStore::Side;
    int right = -1;
    int bottom = -1;

    bool empty() const { return right < left; }
};

// Which of the tiles an LED shows: dark or lit, or its grey level.
int shadeOf(std::uint8_t cell, bool levels) {
    if (levels)
        return FrameStore::levelOf(cell);
    return FrameStore::isLit(cell) ? 1 : 0;
}

LedBox changedLeds(const std::uint8_t* previous, const std::uint8_t* current, bool levels) {
    LedBox box;
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
        if (previous && shadeOf(previous[cell], levels) == shadeOf(current[cell], levels))
            continue;
        const int row = cell / FrameStore::Side;
        const int column = cell % FrameStore::Side;
        box = {std::min(box.left, column), std::min(box.top, row), std::max(box.right, column),
               std::max(box.bottom, row)};
    }
    return box;
}

// A rectangle of pixels, inclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// What a frame after the first draws: only the pixels that differ from the
// picture already shown. An LED that changes its shade changes just the pixels
// where its two tiles differ; every other pixel is transparent and keeps what the
// frame before left there, which LZW packs into long runs.
class DeltaTiles {
public:
    explicit DeltaTiles(const IndexedTiles& tiles)
        : scale_(tiles.scale), count_(tiles.shades.size()),
          unchanged_(static_cast<std::size_t>(tiles.scale), tiles.transparent) {
        const std::size_t area =
            static_cast<std::size_t>(scale_) * static_cast<std::size_t>(scale_);
        changes_.assign(count_ * count_, std::vector<GifPixelType>(area, tiles.transparent));
        for (std::size_t from = 0; from < count_; ++from)
            for (std::size_t to = 0; to < count_; ++to)
                for (std::size_t i = 0; i < area; ++i)
                    if (tiles.shades[from][i] != tiles.shades[to][i])
                        change(from, to, i, tiles.shades[to][i]);
    }

    // Whether changing an LED's shade changes any pixel (it does unless all tiles
    // map to the same indices).
    bool anyChange() const { return changing_.right >= 0; }

    // The pixels that change when the LEDs in `box` change their shade.
    PixelBox pixelsOf(const LedBox& box) const {
        return {box.left * scale_ + changing_.left, box.top * scale_ + changing_.top,
                box.right * scale_ + changing_.right, box.bottom * scale_ + changing_.bottom};
    }

    // Row y of the tile of an LED that goes from shade `from` to shade `to`: the
    // pixels that change, else transparent.
    const GifPixelType* row(int from, int to, int y) const {
        if (from == to)
            return unchanged_.data();
        return changes_[static_cast<std::size_t>(from) * count_ + static_cast<std::size_t>(to)]
                   .data() +
               y * scale_;
    }

private:
    void change(std::size_t from, std::size_t to, std::size_t pixel, std::uint8_t index) {
        changes_[from * count_ + to][pixel] = index;
        const int x = static_cast<int>(pixel) % scale_;
        const int y = static_cast<int>(pixel) / scale_;
        changing_ = {std::min(changing_.left, x), std::min(changing_.top, y),
                     std::max(changing_.right, x), std::max(changing_.bottom, y)};
    }

    int scale_;
    std::size_t count_;
    std::vector<std::vector<GifPixelType>> changes_; // by from * count_ + to
    std::vector<GifPixelType> unchanged_;
    PixelBox changing_{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), -1, -1};
};

// How often both ways of writing a changed rectangle are tried; between trials
// the last winner is used alone.
constexpr int FramesPerTrial = 8;

class Encoder {
public:
    Encoder(GifFileType* gif, Sink& sink, const IndexedTiles& tiles, bool levels)
        : gif_(gif), sink_(sink), tiles_(tiles), delta_(tiles), levels_(levels) {}

    // Without it a GIF plays once and stays on its last frame.
    bool putLoopForever() {
        static const GifByteType loopForever[] = {1, 0, 0}; // sub-block 1: repeat count 0
        return EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
               EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_OK &&
               EGifPutExtensionBlock(gif_, 3, loopForever) == GIF_OK &&
               EGifPutExtensionTrailer(gif_) == GIF_OK;
    }

    // The first frame whole. After it only the rectangle that changed since
    // `previous`, either with the pixels that did not change transparent or with
    // its LEDs whole, whichever LZW packs smaller; a frame like the one before is
    // one transparent pixel that carries its delay. Transparency wins at most
    // scales, whole LEDs where an LED is a pixel or two. The winner rarely changes
    // from one frame to the next, so both are tried only every FramesPerTrial
    // frames, which keeps the cost of trying near that of writing one.
    bool putFrame(const std::uint8_t* cells, const std::uint8_t* previous, int delay) {
        if (!putControl(previous != nullptr, delay))
            return false;
        if (!previous) {
            const int last = FrameStore::Side * tiles_.scale - 1;
            return putPixels(cells, nullptr, {0, 0, 15, 15}, {0, 0, last, last});
        }
        const LedBox box = changedLeds(previous, cells, levels_);
        if (box.empty() || !delta_.anyChange())
            return putImage({0, 0, 0, 0}) &&
                   EGifPutPixel(gif_, static_cast<GifPixelType>(tiles_.transparent)) == GIF_OK;
        const PixelBox pixels = delta_.pixelsOf(box);
        if (framesToTrial_-- > 0)
            return putPixels(cells, wholeWins_ ? nullptr : previous, box, pixels);
        framesToTrial_ = FramesPerTrial - 1;
        if (!capture(changed_, [&] { return putPixels(cells, previous, box, pixels); }) ||
            !capture(whole_, [&] { return putPixels(cells, nullptr, box, pixels); }))
            return false;
        wholeWins_ = whole_.size() < changed_.size();
        return putBytes(wholeWins_ ? whole_ : changed_);
    }

private:
    bool putControl(bool transparent, int delay) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = delay;
        control.TransparentColor = transparent ? tiles_.transparent : NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        return EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }

    template <typename Put> bool capture(QByteArray& bytes, Put put) {
        bytes.truncate(0);
        sink_.capture = &bytes;
        const bool ok = put();
        sink_.capture = nullptr;
        return ok;
    }

    bool putBytes(const QByteArray& bytes) {
        if (sink_.device->write(bytes) == bytes.size())
            return true;
        sink_.failed = true;
        return false;
    }

    // The `pixels` of the LEDs in `box`: those that changed since `previous`, or
    // all of them without it.
    bool putPixels(const std::uint8_t* cells, const std::uint8_t* previous, const LedBox& box,
                   const PixelBox& pixels) {
        if (!putImage(pixels))
            return false;
        line_.resize(static_cast<std::size_t>((box.right - box.left + 1) * tiles_.scale));
        const int skip = pixels.left - box.left * tiles_.scale;
        for (int y = pixels.top; y <= pixels.bottom; ++y) {
            fillLine(cells, previous, box, y);
            if (EGifPutLine(gif_, line_.data() + skip, pixels.width()) != GIF_OK)
                return false;
        }
        return true;
    }

    bool putImage(const PixelBox& pixels) {
        return EGifPutImageDesc(gif_, pixels.left, pixels.top, pixels.width(), pixels.height(),
                                false, nullptr) == GIF_OK;
    }

    // Pixel row y of the LEDs in `box`. giflib masks the line in place, so each
    // line is built afresh.
    void fillLine(const std::uint8_t* cells, const std::uint8_t* previous, const LedBox& box,
                  int y) {
        const int scale = tiles_.scale;
        const int row = y / scale;
        const int tileY = y % scale;
        auto out = line_.begin();
        for (int column = box.left; column <= box.right; ++column) {
            const int cell = row * FrameStore::Side + column;
            const int shade = shadeOf(cells[cell], levels_);
            const GifPixelType* source;
            if (previous)
                source = delta_.row(shadeOf(previous[cell], levels_), shade, tileY);
            else
                source = tiles_.shades[static_cast<std::size_t>(shade)].data() + tileY * scale;
            out = std::copy_n(source, scale, out);
        }
    }

    GifFileType* gif_;
    Sink& sink_;
    const IndexedTiles& tiles_;
    DeltaTiles delta_;
    bool levels_;
    std::vector<GifPixelType> line_;
    QByteArray changed_; // a frame's two candidates
    QByteArray whole_;
    int framesToTrial_ = 0;
    bool wholeWins_ = false;
};

int bitsFor(std::size_t colours) {
    int bits = 1;
    while ((std::size_t{1} << bits) < colours)
        ++bits;
    return bits;
}

QString gifError(const Sink& sink, int code) {
    if (sink.failed)
        return sink.device->errorString();
    const char* text = GifErrorString(code);
    return text ? QString::fromUtf8(text) : QStringLiteral("GIF error %1").arg(code);
}

} // namespace

int delayHundredths(int intervalMs) {
    constexpr int MinDelay = 2;
    constexpr int MaxDelay = 65535;
    return std::clamp((intervalMs + 5) / 10, MinDelay, MaxDelay);
}

std::vector<int> playedImages(PlayMode mode, int count) {
    std::vector<int> images{1};
    for (PlayOrder::Step step = PlayOrder::next(mode, 1, count, false);
         !step.ended && step.image != 1;
         step = PlayOrder::next(mode, step.image, count, step.backwards))
        images.push_back(step.image);
    return images;
}

IndexedTiles indexedTiles(int scale, bool levels) {
    std::vector<QImage> images;
    if (levels) {
        const BoardRendering::LevelTiles shades = BoardRendering::levelTiles(scale);
        images.assign(shades.begin(), shades.end());
    } else {
        images = {BoardRendering::ledTile(false, scale), BoardRendering::ledTile(true, scale)};
    }
    std::map<QRgb, int> histogram;
    for (const QImage& tile : images)
        for (int y = 0; y < scale; ++y)
            for (int x = 0; x < scale; ++x)
                ++histogram[tile.pixel(x, y) | 0xff000000u];
    std::vector<ColourCount> colours;
    for (const auto& [colour, count] : histogram)
        colours.push_back({colour, count});

    IndexedTiles tiles;
    tiles.scale = scale;
    tiles.palette =
        medianCut(std::move(colours), levels ? MaxLevelPaletteColours : MaxPaletteColours);
    for (const QImage& tile : images)
        tiles.shades.push_back(toIndices(tile, tiles.palette));
    tiles.transparent = unusedIndex(tiles);
    tiles.palette.resize(std::size_t{1} << bitsFor(std::max<std::size_t>(
                             tiles.palette.size(), std::size_t{tiles.transparent} + 1)),
                         qRgb(0, 0, 0));
    return tiles;
}

bool write(QIODevice& out, const ExportAnimation& animation, int scale, QString& error) {
    if (!animation.framesValid() || !animation.holdsValid()) {
        error = QStringLiteral("The animation has no frames to write.");
        return false;
    }
    if (!BoardRendering::validScale(scale)) {
        error = QStringLiteral("The scale must be %1 to %2 pixels per LED, not %3.")
                    .arg(BoardRendering::MinScale)
                    .arg(BoardRendering::MaxScale)
                    .arg(scale);
        return false;
    }
    const IndexedTiles tiles = indexedTiles(scale, animation.hasLevels);
    std::vector<GifColorType> colours;
    for (QRgb colour : tiles.palette)
        colours.push_back({static_cast<GifByteType>(qRed(colour)),
                           static_cast<GifByteType>(qGreen(colour)),
                           static_cast<GifByteType>(qBlue(colour))});

    Sink sink{&out};
    int code = 0;
    GifHandle gif(EGifOpen(&sink, writeToSink, &code));
    if (!gif) {
        error = gifError(sink, code);
        return false;
    }
    EGifSetGifVersion(gif.get(), true);
    const std::unique_ptr<ColorMapObject, ColourMapDeleter> map(
        GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
    const int side = FrameStore::Side * scale;
    Encoder encoder(gif.get(), sink, tiles, animation.hasLevels);
    bool ok = map && EGifPutScreenDesc(gif.get(), side, side, 8, 0, map.get()) == GIF_OK &&
              (animation.playMode == PlayMode::Once || encoder.putLoopForever());
    const std::uint8_t* previous = nullptr;
    for (const int frame : playedImages(animation.playMode, animation.frameCount)) {
        const std::uint8_t* cells = animation.cellsOf(frame).data();
        ok = ok && encoder.putFrame(cells, previous, delayHundredths(animation.delayMs(frame)));
        previous = cells;
    }
    if (!ok) {
        error = gifError(sink, gif->Error);
        return false;
    }
    code = 0;
    const int closed = EGifCloseFile(gif.release(), &code);
    if (closed != GIF_OK || sink.failed) {
        error = gifError(sink, code);
        return false;
    }
    return true;
}

} // namespace GifExport
