#include "pictures/AnimationExport.h"

#include "files/SafeSave.h"
#include "frames/FrameStore.h"
#include "pictures/CSourceExport.h"
#include "pictures/GifExport.h"
#include "pictures/PngExport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

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

// The same honest write as saving an animation: a target that is not a regular
// file is refused, links, owner, group and mode are kept, and success means every
// byte is on disk.
ExportResult writeFile(const QString& path, const QByteArray& bytes) {
    const SafeSave::Result saved =
        SafeSave::writeFile(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (saved.ok)
        return {true, {}};
    if (saved.fileChanged)
        return writeFailure(path, QStringLiteral("%1; the file was changed before the write "
                                                 "failed and may be incomplete.")
                                      .arg(saved.error));
    return writeFailure(path, saved.error);
}

ExportResult exportGif(const QString& path, const ExportAnimation& animation, int scale) {
    QByteArray gif;
    QBuffer buffer(&gif);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!GifExport::write(buffer, animation, scale, error))
        return writeFailure(path, error);
    return writeFile(path, gif);
}

ExportResult exportPng(const QString& path, const ExportAnimation& animation, int scale,
                       PngMode mode) {
    const int frameCount = animation.frameCount;
    const int currentImage = animation.currentImage;
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
        picture = PngExport::spriteSheet(animation.frames, frameCount, scale, animation.hasLevels);
    } else {
        if (currentImage < 1 || currentImage > frameCount)
            return failure(QStringLiteral("There is no image %1 to export; the animation has %2.")
                               .arg(currentImage)
                               .arg(frameCount));
        picture = BoardRendering::renderFrame(animation.cellsOf(currentImage), scale,
                                              animation.hasLevels);
    }
    if (picture.isNull())
        return failure(QStringLiteral("Not enough memory to draw the picture."));
    QString error;
    const QByteArray png = PngExport::encode(picture, error);
    if (png.isEmpty())
        return writeFailure(path, error);
    return writeFile(path, png);
}

} // namespace

ExportResult exportAnimation(const QString& path, const ExportAnimation& animation,
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
    if (!animation.framesValid())
        return failure(QStringLiteral("The animation has no frames to export."));
    if (!animation.holdsValid())
        return failure(QStringLiteral("The animation has %1 hold times for %2 frames.")
                           .arg(animation.holdMs.size())
                           .arg(animation.frameCount));

    switch (kind) {
    case Kind::Gif:
        return exportGif(path, animation, options.scale);
    case Kind::Png:
        return exportPng(path, animation, options.scale, options.pngMode);
    case Kind::CHeader:
        return writeFile(path, CSourceExport::header(animation, options.cHeader));
    case Kind::Unknown:
        break;
    }
    return failure(QStringLiteral("Unknown export format."));
}
