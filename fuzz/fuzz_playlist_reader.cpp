// libFuzzer target for the playlist reader.
#include "files/PlaylistFormat.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // With every line end (CR LF, CR or LF) taken as a single CR and a final CR
    // dropped, the text is its lines joined by CR.
    std::string normalized;
    for (std::size_t i = 0; i < size; ++i) {
        normalized += text[i] == '\n' ? '\r' : text[i];
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
    }
    if (!normalized.empty() && normalized.back() == '\r')
        normalized.pop_back();
    const std::size_t lineCount =
        size == 0 ? 0 : std::size_t(std::count(normalized.begin(), normalized.end(), '\r')) + 1;

    const auto lines = PlaylistFormat::read(text);
    check(lines.has_value() == (lineCount <= std::size_t(PlaylistFormat::MaxLines)));
    if (!lines)
        return 0;
    check(lines->size() == lineCount);
    std::string joined;
    for (std::size_t i = 0; i < lines->size(); ++i) {
        if (i > 0)
            joined += '\r';
        joined += (*lines)[i];
    }
    check(joined == normalized);
    return 0;
}
