#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>
#include <sys/stat.h>

class QFile;

// File names as the kernel keeps them: bytes. A name that is valid UTF-8 is an
// ordinary QString; a byte that is not part of valid UTF-8 is kept as the lone
// surrogate U+DC80 + byte, as Python's "surrogateescape" does, so that every
// name survives the trip into a QString and back. Qt's own conversion turns
// such bytes into U+FFFD and the file can no longer be opened, so files whose
// name may come from outside are opened and looked at through these.
namespace FilePath {

bool isUtf8(std::string_view bytes);
QString fromBytes(std::string_view bytes);
QByteArray toBytes(const QString& path);
// Text written in a Windows code page, as playlists made on Windows may hold.
QString fromWindows1252(std::string_view bytes);

// stat() of the file the name leads to, or nothing when there is none.
std::optional<struct stat> status(const QString& path);
bool exists(const QString& path);
// Opens `file` for reading by the bytes of `path`; false with errno set.
bool openForReading(QFile& file, const QString& path);

} // namespace FilePath
