#include "export/AnimationExport.h"

#include "export/CSourceExport.h"
#include "export/GifExport.h"
#include "export/PngExport.h"
#include "frames/FrameStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

enum class Kind { Gif, Png, CHeader, Unknown };

Kind kindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("gif"))
        return Kind::Gif;
    if (suffix == QLatin1String("png"))
        return Kind::Png;
    if (suffix == QLatin1String("h"))
        return Kind::CHeader;
    return Kind::Unknown;
}

ExportResult failure(const QString& message) {
    return {false, message};
}

ExportResult writeFailure(const QString& path, const QString& reason) {
    return failure(QStringLiteral("Cannot write \u201c%1\u201d: %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}

ExportResult writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return writeFailure(path, reason);
    }
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return {true, {}};
}

ExportResult exportGif(const QString& path, std::span<const std::uint8_t> frames, int frameCount,
                       int intervalMs, int scale) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    QString error;
    if (!GifExport::write(file, frames, frameCount, intervalMs, scale, error)) {
        file.cancelWriting();
        return writeFailure(path, error);
    }
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return {true, {}};
}

ExportResult exportPng(const QString& path, std::span<const std::uint8_t> frames, int frameCount,
                       int currentImage, int scale, PngMode mode) {
    QImage picture;
    if (mode == PngMode::SpriteSheet) {
        const QSize size = PngExport::spriteSheetSize(frameCount, scale);
        if (qint64{size.width()} * size.height() > PngExport::MaxSheetPixels)
            return failure(QStringLiteral("A sprite sheet of %1 frames at scale %2 would be %3 "
                                          "\u00d7 %4 pixels, too large to write; choose a "
                                          "smaller scale.")
                               .arg(frameCount)
                               .arg(scale)
                               .arg(size.width())
                               .arg(size.height()));
        picture = PngExport::spriteSheet(frames, frameCount, scale);
    } else {
        if (currentImage < 1 || currentImage > frameCount)
            return failure(QStringLiteral("There is no image %1 to export; the animation has %2.")
                               .arg(currentImage)
                               .arg(frameCount));
        picture = BoardRendering::renderFrame(
            frames.subspan(FrameStore::indexOf(currentImage, 0), FrameStore::CellsPerFrame), scale);
    }
    if (picture.isNull())
        return failure(QStringLiteral("Not enough memory to draw the picture."));
    QString error;
    const QByteArray png = PngExport::encode(picture, error);
    if (png.isEmpty())
        return writeFailure(path, error);
    return writeAtomically(path, png);
}

} // namespace

ExportResult exportAnimation(const QString& path, std::span<const std::uint8_t> frames,
                             int frameCount, int currentImage, int intervalMs,
                             const ExportOptions& options) {
    const Kind kind = kindOf(path);
    if (kind == Kind::Unknown)
        return failure(QStringLiteral("Cannot export to \u201c%1\u201d: the name must end in "
                                      ".gif, .png or .h.")
                           .arg(QFileInfo(path).fileName()));
    if (!BoardRendering::validScale(options.scale))
        return failure(QStringLiteral("The scale must be %1 to %2 pixels per LED, not %3.")
                           .arg(BoardRendering::MinScale)
                           .arg(BoardRendering::MaxScale)
                           .arg(options.scale));
    if (frameCount < 1 || frames.size() < FrameStore::sizeFor(frameCount))
        return failure(QStringLiteral("The animation has no frames to export."));

    switch (kind) {
    case Kind::Gif:
        return exportGif(path, frames, frameCount, intervalMs, options.scale);
    case Kind::Png:
        return exportPng(path, frames, frameCount, currentImage, options.scale, options.pngMode);
    case Kind::CHeader:
        return writeAtomically(
            path, CSourceExport::header(frames, frameCount, intervalMs, options.progmem));
    case Kind::Unknown:
        break;
    }
    return failure(QStringLiteral("Unknown export format."));
}
