#include "export/PictureImport.h"

#include "export/FileIntegrity.h"
#include "export/GifScan.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <numeric>

namespace PictureImport {
namespace {

// --- reading -----------------------------------------------------------------------------

// One picture of the largest accepted size at 4 bytes a pixel, in megabytes.
constexpr int AllocationLimitMb = int{qint64{MaxSide} * MaxSide * 4 / (1024 * 1024)};

ImportResult failure(const QString& message) {
    return {false, message, {}};
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

// How many pictures to read, or a reason to read none.
int pictureCount(const QByteArray& bytes, QImageReader& reader, const QString& name,
                 QString& error) {
    if (!GifScan::looksLikeGif(bytes)) {
        if (FileIntegrity::bmpCutShort(bytes) || FileIntegrity::jpegCutShort(bytes)) {
            error = damagedMessage(name, QStringLiteral("the file is cut short."));
            return 0;
        }
        return reader.supportsAnimation() ? std::max(reader.imageCount(), 1) : 1;
    }
    const int count = GifScan::countFrames(bytes, MaxFrames);
    if (count == GifScan::Damaged)
        error = damagedMessage(name, QStringLiteral("a block of the GIF is cut short or "
                                                    "malformed."));
    else if (count == 0)
        error = QStringLiteral("%1 holds no picture.").arg(name);
    else if (count > MaxFrames)
        error = QStringLiteral("%1 has more than %2 frames, more than can be imported.")
                    .arg(name)
                    .arg(MaxFrames);
    return error.isEmpty() ? count : 0;
}

ImportResult readAll(const QByteArray& bytes, const QString& name) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(AllocationLimitMb);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return failure(QStringLiteral("%1 is not a picture that can be imported (PNG, BMP, JPEG "
                                      "or GIF): %2")
                           .arg(name, reader.errorString()));
    const QSize size = reader.size();
    if (size.isValid() && tooLarge(size))
        return failure(tooLargeMessage(name, size));
    QString error;
    const int count = pictureCount(bytes, reader, name, error);
    if (!error.isEmpty())
        return failure(error);

    ImportResult result{true, {}, {}};
    qint64 decodedBytes = 0;
    for (int index = 0; index < count; ++index) {
        QImage picture;
        if (!reader.read(&picture) || picture.isNull())
            return failure(damagedMessage(name, reader.errorString()));
        if (tooLarge(picture.size()))
            return failure(tooLargeMessage(name, picture.size()));
        decodedBytes += picture.sizeInBytes();
        if (decodedBytes > MaxDecodedBytes)
            return failure(QStringLiteral("%1 holds more picture data than can be imported "
                                          "at once.")
                               .arg(name));
        result.pictures.push_back(std::move(picture));
    }
    return result;
}

// --- reducing to 16 x 16 -----------------------------------------------------------------

// How much of source pixel `source` falls into target cell `target` along one
// axis, in sixteenths of a pixel: cell i covers [i * n, (i + 1) * n) of the n
// pixels' 16 * n sixteenths, so every cell weighs n in all, whatever the ratio.
struct Weight {
    int target;
    int source;
    qint64 weight;
};

std::vector<Weight> axisWeights(int length) {
    std::vector<Weight> weights;
    for (int target = 0; target < FrameStore::Side; ++target) {
        const int begin = target * length;
        const int end = begin + length;
        for (int source = begin / FrameStore::Side; source * FrameStore::Side < end; ++source) {
            const int overlap = std::min(end, (source + 1) * FrameStore::Side) -
                                std::max(begin, source * FrameStore::Side);
            weights.push_back({target, source, overlap});
        }
    }
    return weights;
}

QImage compositedOnBlack(const QImage& picture) {
    if (picture.format() == QImage::Format_RGB32 ||
        picture.format() == QImage::Format_ARGB32_Premultiplied)
        return picture;
    // Premultiplied colour is the picture laid over black.
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

ImportResult readPictures(const QString& path) {
    const QString name = QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Cannot open %1: %2").arg(name, file.errorString()));
    if (file.size() > MaxFileBytes)
        return failure(tooLongMessage(name));
    return readAll(file.readAll(), name);
}

ImportResult readPictures(QIODevice& device) {
    const QString name = QStringLiteral("The picture");
    const QByteArray bytes = readAtMost(device, MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return failure(tooLongMessage(name));
    return readAll(bytes, name);
}

// An exact box average over the source pixels each cell covers, fractions of
// pixels included. QImage::scaled() is no substitute: its smooth mode filters
// bilinearly, so shrinking by a large factor samples a few pixels per cell and
// thin lines or fine patterns come out by chance rather than as their average.
Cells greyLevels(const QImage& picture) {
    Cells cells{};
    if (picture.isNull())
        return cells;
    const QImage image = compositedOnBlack(picture);
    const int width = image.width();
    const int height = image.height();
    const std::vector<Weight> across = axisWeights(width);
    const std::vector<Weight> down = axisWeights(height);

    std::array<qint64, FrameStore::CellsPerFrame> sums{};
    auto nextDown = down.begin();
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::array<qint64, FrameStore::Side> rowSums{};
        for (const Weight& w : across)
            rowSums[w.target] += w.weight * qGray(line[w.source]);
        for (; nextDown != down.end() && nextDown->source == y; ++nextDown)
            for (int column = 0; column < FrameStore::Side; ++column)
                sums[nextDown->target * FrameStore::Side + column] +=
                    nextDown->weight * rowSums[column];
    }
    const qint64 area = qint64{width} * height;
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        cells[cell] = static_cast<std::uint8_t>((sums[cell] + area / 2) / area);
    return cells;
}

Cells threshold(const Cells& grey, int threshold, bool invert) {
    Cells cells{};
    for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
        cells[cell] = (grey[cell] >= threshold) != invert ? FrameStore::Lit : FrameStore::Dark;
    return cells;
}

std::vector<Cells> toFrames(const std::vector<QImage>& pictures, int threshold, bool invert) {
    std::vector<Cells> frames;
    frames.reserve(pictures.size());
    for (const QImage& picture : pictures)
        frames.push_back(PictureImport::threshold(greyLevels(picture), threshold, invert));
    return frames;
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

int meanBrightness(const std::vector<QImage>& pictures) {
    std::vector<Cells> grey;
    grey.reserve(pictures.size());
    for (const QImage& picture : pictures)
        grey.push_back(greyLevels(picture));
    return meanBrightness(grey);
}

} // namespace PictureImport
