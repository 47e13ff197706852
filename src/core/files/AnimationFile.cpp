#include "files/AnimationFile.h"

#include "files/LedFormat.h"

#include "files/FilePath.h"
#include "files/NativeFormat.h"

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

// Opens the file at `path` for reading whole: the reason when it cannot be.
QString openForLoad(const QString& path, QFile& file) {
    const std::optional<struct stat> info = FilePath::status(path);
    if (!info)
        return QStringLiteral("no such file");
    if (!S_ISREG(info->st_mode))
        return QStringLiteral("not a regular file");
    if (!FilePath::openForReading(file, path))
        return QString::fromLocal8Bit(std::strerror(errno));
    if (file.size() <= 0)
        return QStringLiteral("the file is empty");
    return {};
}

// The file's `length` bytes, or the reason when the read finds another length.
QString readWhole(QFile& file, qint64 length, QByteArray& bytes) {
    bytes = file.readAll();
    if (bytes.size() != length)
        return QStringLiteral("could not be read whole: %1").arg(file.errorString());
    return {};
}

std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Editors on Windows put a UTF-8 byte order mark before text they save. It is
// no line of either format, so both read what follows it.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutMark(std::string_view bytes) {
    return bytes.substr(0, ByteOrderMark.size()) == ByteOrderMark
               ? bytes.substr(ByteOrderMark.size())
               : bytes;
}

// The rest of tryLoad() once the file is open.
Attempt loadLed(QFile& file) {
    const qint64 length = file.size();
    if (length > static_cast<qint64>(LedFormat::MaxFrames) * qint64(LedFormat::BytesPerFrame))
        return {std::nullopt,
                QStringLiteral("too long: more than %1 frames").arg(LedFormat::MaxFrames)};
    QByteArray bytes;
    if (QString error = readWhole(file, length, bytes); !error.isEmpty())
        return {std::nullopt, error};
    // The mark counts for no frame: the length is the text's after it.
    const std::string_view text = withoutMark(viewOf(bytes));
    LedFormat::ReadResult result = LedFormat::read(text);
    if (!result.ok())
        return {std::nullopt, readError(result)};
    return {Loaded{std::move(result.frames), result.frameCount, std::int64_t(text.size())}, {}};
}

AnimationAttempt loadNative(QFile& file) {
    const qint64 length = file.size();
    if (length > static_cast<qint64>(NativeFormat::MaxFileBytes))
        return {std::nullopt,
                QStringLiteral("too long: more than %1 bytes").arg(NativeFormat::MaxFileBytes)};
    QByteArray bytes;
    if (QString error = readWhole(file, length, bytes); !error.isEmpty())
        return {std::nullopt, error};
    NativeFormat::ReadResult result = NativeFormat::read(withoutMark(viewOf(bytes)));
    if (!result.ok())
        return {std::nullopt, QString::fromStdString(result.message)};
    return {LoadedAnimation{std::move(result.animation), Kind::Native, length}, {}};
}

} // namespace

Attempt tryLoad(const QString& path) {
    QFile file;
    if (QString error = openForLoad(path, file); !error.isEmpty())
        return {std::nullopt, error};
    return loadLed(file);
}

AnimationAttempt tryLoadAnimation(const QString& path) {
    QFile file;
    if (QString error = openForLoad(path, file); !error.isEmpty())
        return {std::nullopt, error};
    const QByteArray start =
        file.peek(qint64(ByteOrderMark.size() + NativeFormat::Magic.size()) + 1);
    if (NativeFormat::hasMagic(withoutMark(viewOf(start))))
        return loadNative(file);
    Attempt led = loadLed(file);
    if (!led.loaded)
        return {std::nullopt, led.error};
    return {LoadedAnimation{NativeFormat::fromLedStore(led.loaded->frames), Kind::Led,
                            led.loaded->fileLength},
            {}};
}

std::optional<Loaded> load(const QString& path) {
    return tryLoad(path).loaded;
}

SafeSave::Result save(const QString& path, std::span<const std::uint8_t> frames) {
    return SafeSave::writeFile(path, LedFormat::write(frames));
}

SafeSave::Result saveNative(const QString& path, const NativeAnimation& animation) {
    return SafeSave::writeFile(path, NativeFormat::write(animation));
}

PlayMode playModeOf(NativeAnimation::PlayMode mode) {
    switch (mode) {
    case NativeAnimation::PlayMode::PingPong:
        return PlayMode::PingPong;
    case NativeAnimation::PlayMode::Once:
        return PlayMode::Once;
    case NativeAnimation::PlayMode::Loop:
        break;
    }
    return PlayMode::Loop;
}

NativeAnimation::PlayMode nativePlayMode(PlayMode mode) {
    switch (mode) {
    case PlayMode::PingPong:
        return NativeAnimation::PlayMode::PingPong;
    case PlayMode::Once:
        return NativeAnimation::PlayMode::Once;
    case PlayMode::Loop:
        break;
    }
    return NativeAnimation::PlayMode::Loop;
}

} // namespace AnimationFile
