#include "files/FilePath.h"

#include <QFile>
#include <array>
#include <fcntl.h>
#include <unistd.h>

namespace FilePath {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0.
std::size_t validSequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

bool isEscape(char16_t c) {
    return c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF;
}

// Windows-1252 from 0x80 to 0x9F; the other bytes are Latin-1. Qt Core knows
// this code page only when built with ICU, so the table is kept here.
constexpr std::array<char16_t, 32> Windows1252High{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

} // namespace

bool isUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = validSequenceLength(bytes.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QString fromBytes(std::string_view bytes) {
    QString path;
    std::size_t runStart = 0;
    const auto flushRun = [&](std::size_t end) {
        path += QString::fromUtf8(bytes.data() + runStart, qsizetype(end - runStart));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = validSequenceLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        flushRun(i);
        path += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[i])));
        runStart = ++i;
    }
    flushRun(bytes.size());
    return path;
}

QByteArray toBytes(const QString& path) {
    QByteArray bytes;
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        bytes += QStringView(path).mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscape(path[i].unicode()))
            continue;
        flushRun(i);
        bytes += char(path[i].unicode() - EscapeBase);
        runStart = i + 1;
    }
    flushRun(path.size());
    return bytes;
}

QString fromWindows1252(std::string_view bytes) {
    QString text;
    text.reserve(qsizetype(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte <= 0x9F ? Windows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

std::optional<struct stat> status(const QString& path) {
    struct stat info {};
    if (::stat(toBytes(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

bool exists(const QString& path) {
    return status(path).has_value();
}

bool openForReading(QFile& file, const QString& path) {
    const int fd = ::open(toBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

} // namespace FilePath
