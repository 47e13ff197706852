#include "pictures/PictureImport.h"

#include "frames/AnimationExtras.h"
#include "pictures/BoardRecognition.h"
#include "pictures/FileIntegrity.h"
#include "pictures/GifExport.h"
#include "pictures/GifScan.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>
#include <numeric>

namespace PictureImport {
namespace {

// --- reading -----------------------------------------------------------------------------

// One picture of the largest accepted size at 4 bytes a pixel, in megabytes.
constexpr int AllocationLimitMb = int{qint64{MaxSide} * MaxSide * 4 / (1024 * 1024)};

ImportResult failure(const QString& message) {
    return {false, message, {}, {}};
}

bool tooLarge(QSize size) {
    return size.width() > MaxSide || size.height() > MaxSide;
}

QString tooLongMessage(const QString& name) {
    return QStringLiteral("%1 is longer than the %2 MB that can be imported.")
        .arg(name)
        .arg(MaxFileBytes / (1024 * 1024));
}

QString tooLargeMessage(const QString& name, QSize size) {
    return QStringLiteral("%1 is %2 \u00d7 %3 pixels; pictures of up to %4 \u00d7 %4 pixels "
                          "can be imported.")
        .arg(name)
        .arg(size.width())
        .arg(size.height())
        .arg(MaxSide);
}

// A chunk at a time: QIODevice::read(n) sets aside all n bytes at once.
QByteArray readAtMost(QIODevice& device, qint64 limit) {
    constexpr qint64 ChunkBytes = 1 << 20;
    QByteArray bytes;
    while (bytes.size() < limit) {
        const QByteArray chunk = device.read(std::min(ChunkBytes, limit - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

QString damagedMessage(const QString& name, const QString& reason) {
    return QStringLiteral("%1 is damaged and cannot be read: %2").arg(name, reason);
}

QString tooMuchMessage(const QString& name) {
    return QStringLiteral("%1 holds more picture data than can be imported at once.").arg(name);
}

// Told by the content, never by the name: a decoder for another format may take
// minutes over a small file.
const QList<QByteArray>& acceptedFormats() {
    static const QList<QByteArray> formats{"png", "bmp", "jpeg", "gif"};
    return formats;
}

QString notAcceptedMessage(const QString& name, const QByteArray& format) {
    if (format.isEmpty())
        return QStringLiteral("%1 is not a picture that can be imported (PNG, BMP, JPEG or GIF).")
            .arg(name);
    return QStringLiteral("%1 is a picture in %2 format; only PNG, BMP, JPEG or GIF can be "
                          "imported.")
        .arg(name, QString::fromLatin1(format.toUpper()));
}

qint64 decodedBytes(QSize size) {
    return qint64{size.width()} * size.height() * 4;
}

struct Plan {
    int count = 0;
    QSize size;                // what the decoder will allocate for each picture
    std::vector<int> delaysMs; // a GIF's
};

// The delays as they play: browsers and most viewers play one under 2 hundredths
// as 10.
std::vector<int> delaysInMs(const std::vector<int>& hundredths) {
    constexpr int ShortestPlayed = 2;
    constexpr int ShortPlayedAsMs = 100;
    std::vector<int> ms;
    for (const int delay : hundredths)
        ms.push_back(delay == GifScan::NoDelay ? 0
                     : delay < ShortestPlayed  ? ShortPlayedAsMs
                                               : delay * 10);
    return ms;
}

// How many pictures to read and how large each will be once decoded, or a reason
// to read none. A GIF's own screen size is not what Qt reports, so it is scanned.
Plan planReading(const QByteArray& bytes, QImageReader& reader, const QString& name,
                 QString& error) {
    if (!GifScan::looksLikeGif(bytes)) {
        if (FileIntegrity::bmpCutShort(bytes) || FileIntegrity::jpegCutShort(bytes))
            error = damagedMessage(name, QStringLiteral("the file is cut short."));
        return {1, reader.size(), {}};
    }
    const GifScan::Summary gif = GifScan::scan(bytes, MaxFrames);
    if (gif.frames == GifScan::Damaged)
        error = damagedMessage(name, QStringLiteral("a block of the GIF is cut short or "
                                                    "malformed."));
    else if (gif.frames == 0)
        error = QStringLiteral("%1 holds no picture.").arg(name);
    else if (gif.frames > MaxFrames)
        error = QStringLiteral("%1 has more than %2 frames, more than can be imported.")
                    .arg(name)
                    .arg(MaxFrames);
    return {gif.frames, gif.canvas, delaysInMs(gif.delays)};
}

// Refuses before the next picture is decoded: by its size, and by the pixels it
// and the `remaining` pictures after it would add to those decoded so far.
QString refusal(const Plan& plan, const QString& name, qint64 decodedSoFar, int remaining) {
    if (!plan.size.isValid())
        return damagedMessage(name, QStringLiteral("its size cannot be read."));
    if (tooLarge(plan.size))
        return tooLargeMessage(name, plan.size);
    if (decodedSoFar + decodedBytes(plan.size) * (remaining + 1) > MaxDecodedBytes)
        return tooMuchMessage(name);
    return {};
}

ImportResult readAll(const QByteArray& bytes, const QString& name, const Progress& progress) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    if (!acceptedFormats().contains(format))
        return failure(notAcceptedMessage(name, format));
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(AllocationLimitMb);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return failure(damagedMessage(name, reader.errorString()));
    QString error;
    const Plan plan = planReading(bytes, reader, name, error);
    if (!error.isEmpty())
        return failure(error);

    ImportResult result{true, {}, {}, plan.delaysMs};
    result.pictures.reserve(std::size_t(plan.count));
    const BoardRecognition board(plan.size);
    qint64 decodedSoFar = 0;
    for (int index = 0; index < plan.count; ++index) {
        if (progress && !progress(index, plan.count))
            return failure(QStringLiteral("The import was cancelled."));
        error = refusal(plan, name, decodedSoFar, plan.count - index - 1);
        if (!error.isEmpty())
            return failure(error);
        QImage picture;
        if (!reader.read(&picture) || picture.isNull())
            return failure(damagedMessage(name, reader.errorString()));
        if (tooLarge(picture.size()))
            return failure(tooLargeMessage(name, picture.size()));
        decodedSoFar += decodedBytes(picture.size());
        result.pictures.push_back(reduce(picture));
        result.pictures.back().boardLevels = board.levels(picture);
    }
    return result;
}

// --- reducing to 16 x 16 -----------------------------------------------------------------

// How much of source pixel `source` falls into target cell `target` along one axis.
struct Weight {
    int target;
    int source;
    qint64 weight;
};

// The `length` pixels of one axis laid centred on a canvas `side` pixels long:
// longer than the picture for letterbox bars, shorter for a crop, the same to
// stretch. Measured in units of 1/32 pixel, so that both a centred start and the
// cells' borders fall on whole units: a pixel is 32 units, a cell 2 * side, and
// the picture starts 16 * (side - length) units in. A cell the picture covers
// weighs 2 * side in all, whatever the ratio.
std::vector<Weight> axisWeights(int length, int side) {
    constexpr qint64 PixelUnits = 32;
    const qint64 cell = 2 * qint64{side};
    const qint64 start = 16 * (qint64{side} - length);
    std::vector<Weight> weights;
    for (int target = 0; target < FrameStore::Side; ++target) {
        const qint64 begin = target * cell;
        const qint64 end = begin + cell;
        for (qint64 source = std::max<qint64>(0, (begin - start) / PixelUnits);
             source < length && start + source * PixelUnits < end; ++source) {
            const qint64 overlap = std::min(end, start + (source + 1) * PixelUnits) -
                                   std::max(begin, start + source * PixelUnits);
            if (overlap > 0)
                weights.push_back({target, int(source), overlap});
        }
    }
    return weights;
}

// One fit's weights along both axes, and the running sums of its cells.
struct Placement {
    std::vector<Weight> across;
    std::vector<Weight> down; // by target, and so by source too
    std::vector<Weight>::const_iterator nextDown;
    qint64 area = 0;
    std::array<qint64, FrameStore::CellsPerFrame> sums{};

    Placement(QSize picture, QSize canvas)
        : across(axisWeights(picture.width(), canvas.width())),
          down(axisWeights(picture.height(), canvas.height())), nextDown(down.begin()),
          area(4 * qint64{canvas.width()} * canvas.height()) {}

    void addLine(int y, const QRgb* line) {
        if (nextDown == down.end() || nextDown->source != y)
            return;
        std::array<qint64, FrameStore::Side> rowSums{};
        for (const Weight& w : across)
            rowSums[w.target] += w.weight * qGray(line[w.source]);
        for (; nextDown != down.end() && nextDown->source == y; ++nextDown)
            for (int column = 0; column < FrameStore::Side; ++column)
                sums[nextDown->target * FrameStore::Side + column] +=
                    nextDown->weight * rowSums[column];
    }

    Cells cells() const {
        Cells cells{};
        for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
            cells[cell] = static_cast<std::uint8_t>((sums[cell] + area / 2) / area);
        return cells;
    }
};

QSize canvasFor(QSize picture, Fit fit) {
    const int longer = std::max(picture.width(), picture.height());
    const int shorter = std::min(picture.width(), picture.height());
    switch (fit) {
    case Fit::Letterbox:
        return {longer, longer};
    case Fit::Crop:
        return {shorter, shorter};
    case Fit::Stretch:
        break;
    }
    return picture;
}

// Hands each line of the picture to `use` as premultiplied colour, which is the
// picture laid over black. Another format is converted a strip at a time, so a
// large picture is never held twice.
template <typename Use> void forEachLine(const QImage& picture, Use use) {
    if (picture.format() == QImage::Format_RGB32 ||
        picture.format() == QImage::Format_ARGB32_Premultiplied) {
        for (int y = 0; y < picture.height(); ++y)
            use(y, reinterpret_cast<const QRgb*>(picture.constScanLine(y)));
        return;
    }
    constexpr int StripLines = 64;
    for (int top = 0; top < picture.height(); top += StripLines) {
        const QImage strip =
            picture.copy(0, top, picture.width(), std::min(StripLines, picture.height() - top))
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < strip.height(); ++y)
            use(top + y, reinterpret_cast<const QRgb*>(strip.constScanLine(y)));
    }
}

} // namespace

ImportResult readPictures(const QString& path, const Progress& progress) {
    const QString name = QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Cannot open %1: %2").arg(name, file.errorString()));
    if (file.size() > MaxFileBytes)
        return failure(tooLongMessage(name));
    return readAll(file.readAll(), name, progress);
}

ImportResult readPictures(QIODevice& device, const Progress& progress) {
    const QString name = QStringLiteral("The picture");
    const QByteArray bytes = readAtMost(device, MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return failure(tooLongMessage(name));
    return readAll(bytes, name, progress);
}

// An exact box average over the source pixels each cell covers, fractions of
// pixels included, for every fit in one pass over the picture. QImage::scaled()
// is no substitute: its smooth mode filters bilinearly, so shrinking by a large
// factor samples a few pixels per cell and thin lines or fine patterns come out
// by chance rather than as their average.
Reduced reduce(const QImage& picture) {
    Reduced reduced;
    if (picture.isNull())
        return reduced;
    // A square picture fits every way alike.
    const bool square = picture.width() == picture.height();
    std::vector<Placement> placements;
    for (const Fit fit : {Fit::Stretch, Fit::Letterbox, Fit::Crop})
        if (!square || placements.empty())
            placements.emplace_back(picture.size(), canvasFor(picture.size(), fit));
    forEachLine(picture, [&placements](int y, const QRgb* line) {
        for (Placement& placement : placements)
            placement.addLine(y, line);
    });
    for (std::size_t fit = 0; fit < reduced.grey.size(); ++fit)
        reduced.grey[fit] = placements[square ? 0 : fit].cells();
    return reduced;
}

Cells greyLevels(const QImage& picture, Fit fit) {
    return reduce(picture)[fit];
}

Cells threshold(const Cells& grey, int threshold, bool invert) {
    Cells cells{};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        cells[cell] = (grey[cell] >= threshold) != invert ? FrameStore::Lit : FrameStore::Dark;
    return cells;
}

std::vector<Cells> toFrames(const std::vector<Reduced>& pictures, int threshold, bool invert,
                            Fit fit) {
    std::vector<Cells> frames;
    frames.reserve(pictures.size());
    for (const Reduced& picture : pictures)
        frames.push_back(PictureImport::threshold(picture[fit], threshold, invert));
    return frames;
}

namespace {

double linearLight(int grey) {
    const double c = grey / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int clampedLevel(double level) {
    return std::clamp(static_cast<int>(std::floor(level)), 0, FrameStore::MaxLevel);
}

// The thresholds of a 4 x 4 Bayer matrix, in sixteenths.
constexpr std::array<std::array<int, 4>, 4> Bayer{
    {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}}};

// Floyd and Steinberg's error diffusion, row by row from the left.
void diffuse(std::array<double, FrameStore::CellsPerFrame>& wanted, Cells& levels) {
    constexpr int Side = FrameStore::Side;
    const auto spread = [&wanted](int row, int column, double error) {
        if (row < Side && column >= 0 && column < Side)
            wanted[static_cast<std::size_t>(row * Side + column)] += error;
    };
    for (int row = 0; row < Side; ++row)
        for (int column = 0; column < Side; ++column) {
            const auto cell = static_cast<std::size_t>(row * Side + column);
            const int level = clampedLevel(wanted[cell] + 0.5);
            levels[cell] = static_cast<std::uint8_t>(level);
            const double error = wanted[cell] - level;
            spread(row, column + 1, error * 7 / 16);
            spread(row + 1, column - 1, error * 3 / 16);
            spread(row + 1, column, error * 5 / 16);
            spread(row + 1, column + 1, error * 1 / 16);
        }
}

} // namespace

Cells shades(const Cells& grey, bool invert, Dither dither) {
    std::array<double, FrameStore::CellsPerFrame> wanted{};
    for (std::size_t cell = 0; cell < wanted.size(); ++cell)
        wanted[cell] = FrameStore::MaxLevel * linearLight(invert ? 255 - grey[cell] : grey[cell]);
    Cells levels{};
    if (dither == Dither::FloydSteinberg) {
        diffuse(wanted, levels);
    } else {
        for (std::size_t cell = 0; cell < wanted.size(); ++cell) {
            const double offset =
                dither == Dither::Ordered
                    ? (Bayer[cell / FrameStore::Side % 4][cell % FrameStore::Side % 4] + 0.5) / 16
                    : 0.5;
            levels[cell] = static_cast<std::uint8_t>(clampedLevel(wanted[cell] + offset));
        }
    }
    Cells cells{};
    for (std::size_t cell = 0; cell < cells.size(); ++cell)
        cells[cell] = FrameStore::cellForLevel(levels[cell]);
    return cells;
}

Cells shadesOf(const Reduced& picture, const Conversion& conversion, Fit fit) {
    if (!picture.boardLevels)
        return shades(picture[fit], conversion.invert, conversion.dither);
    Cells cells{};
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        const int level = (*picture.boardLevels)[cell];
        cells[cell] =
            FrameStore::cellForLevel(conversion.invert ? FrameStore::MaxLevel - level : level);
    }
    return cells;
}

Converted convert(const std::vector<Reduced>& pictures, const Conversion& conversion, Fit fit) {
    if (!conversion.keepShades)
        return {toFrames(pictures, conversion.threshold, conversion.invert, fit), false};
    Converted converted;
    converted.frames.reserve(pictures.size());
    for (const Reduced& picture : pictures) {
        converted.frames.push_back(shadesOf(picture, conversion, fit));
        for (std::uint8_t cell : converted.frames.back())
            converted.hasLevels =
                converted.hasLevels || (cell != FrameStore::Lit && cell != FrameStore::Dark);
    }
    return converted;
}

std::vector<std::uint16_t> holdTimes(std::span<const int> delaysMs, int intervalMs) {
    const int stepHundredths = GifExport::delayHundredths(intervalMs);
    std::vector<std::uint16_t> holds;
    bool any = false;
    for (const int delay : delaysMs) {
        const bool held = delay > 0 && GifExport::delayHundredths(delay) != stepHundredths;
        holds.push_back(held ? static_cast<std::uint16_t>(std::clamp(
                                   delay, AnimationExtras::MinHoldMs, AnimationExtras::MaxHoldMs))
                             : std::uint16_t{0});
        any = any || held;
    }
    return any ? holds : std::vector<std::uint16_t>{};
}

int meanBrightness(std::span<const Cells> grey) {
    if (grey.empty())
        return 128;
    qint64 total = 0;
    for (const Cells& cells : grey)
        total = std::accumulate(cells.begin(), cells.end(), total);
    const qint64 count = qint64(grey.size()) * FrameStore::CellsPerFrame;
    return static_cast<int>((total + count / 2) / count);
}

int meanBrightness(const std::vector<Reduced>& pictures, Fit fit) {
    std::vector<Cells> grey;
    grey.reserve(pictures.size());
    for (const Reduced& picture : pictures)
        grey.push_back(picture[fit]);
    return meanBrightness(grey);
}

} // namespace PictureImport
