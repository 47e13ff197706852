#include "files/AnimationFile.h"

#include "files/LedFormat.h"

#include "files/FilePath.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace AnimationFile {

namespace {

QString readError(const LedFormat::ReadResult& result) {
    const std::size_t line = result.failedLine + 1;
    switch (result.error) {
    case LedFormat::ReadError::Empty:
        return QStringLiteral("the file is empty");
    case LedFormat::ReadError::TooLarge:
        return QStringLiteral("too long: more than %1 frames").arg(LedFormat::MaxFrames);
    case LedFormat::ReadError::ValueOutOfRange:
        return QStringLiteral("a value out of range at line %1").arg(line);
    case LedFormat::ReadError::TooManyLines:
        return QStringLiteral("more lines than its length leaves room for, at line %1").arg(line);
    case LedFormat::ReadError::None:
        break;
    }
    return {};
}

} // namespace

Attempt tryLoad(const QString& path) {
    const std::optional<struct stat> info = FilePath::status(path);
    if (!info)
        return {std::nullopt, QStringLiteral("no such file")};
    if (!S_ISREG(info->st_mode))
        return {std::nullopt, QStringLiteral("not a regular file")};
    QFile file;
    if (!FilePath::openForReading(file, path))
        return {std::nullopt, QString::fromLocal8Bit(std::strerror(errno))};
    const qint64 length = file.size();
    if (length <= 0)
        return {std::nullopt, QStringLiteral("the file is empty")};
    if (length > static_cast<qint64>(LedFormat::MaxFrames) * qint64(LedFormat::BytesPerFrame))
        return {std::nullopt,
                QStringLiteral("too long: more than %1 frames").arg(LedFormat::MaxFrames)};
    const QByteArray bytes = file.readAll();
    if (bytes.size() != length)
        return {std::nullopt,
                QStringLiteral("could not be read whole: %1").arg(file.errorString())};
    LedFormat::ReadResult result =
        LedFormat::read(std::string_view(bytes.constData(), static_cast<std::size_t>(length)));
    if (!result.ok())
        return {std::nullopt, readError(result)};
    return {Loaded{std::move(result.frames), result.frameCount, length}, {}};
}

std::optional<Loaded> load(const QString& path) {
    return tryLoad(path).loaded;
}

SafeSave::Result save(const QString& path, std::span<const std::uint8_t> frames) {
    return SafeSave::writeFile(path, LedFormat::write(frames));
}

} // namespace AnimationFile
