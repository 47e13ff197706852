#include "playback/Slideshow.h"

#include <algorithm>
#include <utility>

void Slideshow::take(std::span<const std::string> lines, std::string path) {
    const std::size_t count = std::min(lines.size(), playlist_.size());
    std::copy_n(lines.begin(), count, playlist_.begin());
    path_ = std::move(path);
    count_ = static_cast<int>(count);
    position_ = 0;
}

void Slideshow::wrapAtEnd() {
    if (position_ == count_ - 1 || count_ == 1)
        position_ = 0;
}

bool Slideshow::chooseEntry() {
    if (position_ < 0 || position_ >= Capacity)
        return false;
    fileName_ = playlist_[static_cast<std::size_t>(position_)] + ".led";
    return true;
}

void Slideshow::restore(Saved saved) {
    playlist_ = std::move(saved.playlist);
    path_ = std::move(saved.path);
    count_ = saved.count;
    position_ = saved.position;
    on_ = saved.on;
}
