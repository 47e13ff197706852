#include "files/PlaylistFormat.h"

#include "files/TextLines.h"

namespace PlaylistFormat {

std::optional<std::vector<std::string>> read(std::string_view bytes) {
    std::vector<std::string> lines;
    bool tooMany = false;
    TextLines::forEach(
        bytes,
        [&](std::string_view line) {
            if (lines.size() == static_cast<std::size_t>(MaxLines)) {
                tooMany = true;
                return false;
            }
            lines.emplace_back(line);
            return true;
        },
        TextLines::LoneLf::EndsLine);
    if (tooMany)
        return std::nullopt;
    return lines;
}

} // namespace PlaylistFormat
