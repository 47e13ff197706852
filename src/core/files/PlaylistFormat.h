#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The slideshow playlist: one animation file name per line, without ".led".
namespace PlaylistFormat {

constexpr int MaxLines = 1001;

// The lines of a playlist, each taken whole and unchanged, or nothing when the
// text has more than MaxLines lines. CR, CR LF and LF each end a line.
std::optional<std::vector<std::string>> read(std::string_view bytes);

} // namespace PlaylistFormat
