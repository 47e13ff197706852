#include "text/FixedFonts.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace FixedFonts {

std::vector<Entry> find(const QString& directory) {
    // "5x7.pcf.gz", "6x13B.pcf.gz"; not "5x7-ISO8859-1.pcf.gz", "6x13O" (oblique) or "12x13ja".
    static const QRegularExpression fileName(
        QStringLiteral(R"(^(\d+)x(\d+)(B?)\.(pcf|bdf)(\.gz)?$)"));
    std::vector<Entry> fonts;
    const QDir dir(directory);
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch match = fileName.match(file);
        if (!match.hasMatch())
            continue;
        Entry entry;
        entry.width = match.captured(1).toInt();
        entry.height = match.captured(2).toInt();
        entry.bold = !match.captured(3).isEmpty();
        entry.name = QStringLiteral("%1\u00d7%2%3")
                         .arg(entry.width)
                         .arg(entry.height)
                         .arg(entry.bold ? QStringLiteral(" bold") : QString());
        entry.path = dir.filePath(file);
        if (!named(fonts, entry.name)) // the same font as PCF and as BDF
            fonts.push_back(std::move(entry));
    }
    std::sort(fonts.begin(), fonts.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.height, a.width, a.bold) < std::tie(b.height, b.width, b.bold);
    });
    return fonts;
}

const Entry* named(const std::vector<Entry>& fonts, const QString& name) {
    const auto found = std::find_if(fonts.begin(), fonts.end(),
                                    [&name](const Entry& entry) { return entry.name == name; });
    return found == fonts.end() ? nullptr : &*found;
}

} // namespace FixedFonts
