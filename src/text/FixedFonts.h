#pragma once

#include <QString>
#include <vector>

// The fixed-width X fonts a Debian system installs with xfonts-base (4x6, 5x7,
// 5x8, 6x10 ... 10x20): one entry a size, and one for its bold face where there
// is one. Only the Unicode (ISO 10646-1) file of each is listed, the one without
// an encoding in its name, not the copies for every 8-bit encoding.
namespace FixedFonts {

inline constexpr char DefaultDirectory[] = "/usr/share/fonts/X11/misc";

struct Entry {
    QString name; // "5×7", "6×13 bold"
    QString path;
    int width = 0;
    int height = 0;
    bool bold = false;
};

// The fixed fonts in `directory`, from the lowest to the tallest, narrower first,
// each regular face before its bold one. None when the directory is missing.
std::vector<Entry> find(const QString& directory = QString::fromLatin1(DefaultDirectory));

// The entry named `name`, or nullptr.
const Entry* named(const std::vector<Entry>& fonts, const QString& name);

} // namespace FixedFonts
