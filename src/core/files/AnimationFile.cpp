#include "files/AnimationFile.h"

#include "files/LedFormat.h"

#include <QFile>
#include <QFileInfo>

namespace AnimationFile {

std::optional<Loaded> load(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 length = file.size();
    if (length <= 0 ||
        length > static_cast<qint64>(LedFormat::MaxFrames) * qint64(LedFormat::BytesPerFrame))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != length)
        return std::nullopt;
    LedFormat::ReadResult result =
        LedFormat::read(std::string_view(bytes.constData(), static_cast<std::size_t>(length)));
    if (!result.ok())
        return std::nullopt;
    return Loaded{std::move(result.frames), result.frameCount, length};
}

SafeSave::Result save(const QString& path, std::span<const std::uint8_t> frames) {
    return SafeSave::writeFile(path, LedFormat::write(frames));
}

} // namespace AnimationFile
