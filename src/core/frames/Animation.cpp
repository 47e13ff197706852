#include "frames/Animation.h"

#include <algorithm>
#include <utility>

std::span<const std::uint8_t> Animation::images() const {
    return std::span(frames_.data(), std::min(frames_.size(), FrameStore::sizeFor(imageCount_)));
}

Animation::Store Animation::replaceStore(Store frames) {
    return std::exchange(frames_, std::move(frames));
}

// A frame number outside 1..count gives an index beyond any store, so the
// bounds check below covers it too.
std::uint8_t Animation::cell(int cell) const {
    const std::size_t index = FrameStore::indexOf(currentImage_, cell);
    return index < frames_.size() ? frames_[index] : FrameStore::Dark;
}

void Animation::setCell(int cell, std::uint8_t value) {
    const std::size_t index = FrameStore::indexOf(currentImage_, cell);
    if (index < frames_.size())
        frames_[index] = value;
}

FrameStore::Frame Animation::currentFrame() const {
    FrameStore::Frame frame{};
    for (int c = 0; c < FrameStore::CellsPerFrame; ++c)
        frame[static_cast<std::size_t>(c)] = cell(c);
    return frame;
}

void Animation::storeCurrentFrame(const FrameStore::Frame& frame) {
    for (int c = 0; c < FrameStore::CellsPerFrame; ++c)
        setCell(c, frame[static_cast<std::size_t>(c)]);
}

Animation::Store Animation::part(std::size_t offset, std::size_t length) const {
    const std::size_t begin = std::min(offset, frames_.size());
    const std::size_t end = std::min(offset + length, frames_.size());
    return Store(frames_.begin() + static_cast<std::ptrdiff_t>(begin),
                 frames_.begin() + static_cast<std::ptrdiff_t>(end));
}

void Animation::restorePart(std::size_t storeSize, std::size_t offset,
                            std::span<const std::uint8_t> bytes) {
    frames_.resize(storeSize, FrameStore::Dark);
    const std::size_t at = std::min(offset, frames_.size());
    const std::size_t count = std::min(bytes.size(), frames_.size() - at);
    std::copy_n(bytes.begin(), count, frames_.begin() + static_cast<std::ptrdiff_t>(at));
}
