#include "frames/Animation.h"

#include <algorithm>
#include <utility>

std::span<const std::uint8_t> Animation::images() const {
    return std::span(frames_.data(), std::min(frames_.size(), FrameStore::sizeFor(imageCount_)));
}

Animation::Store Animation::replaceStore(Store frames) {
    ++storeRevision_;
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
    ++storeRevision_;
    frames_.resize(storeSize, FrameStore::Dark);
    const std::size_t at = std::min(offset, frames_.size());
    const std::size_t count = std::min(bytes.size(), frames_.size() - at);
    std::copy_n(bytes.begin(), count, frames_.begin() + static_cast<std::ptrdiff_t>(at));
}

FrameStore::Frame Animation::frame(int image) const {
    FrameStore::Frame frame{};
    const std::size_t begin = FrameStore::indexOf(image, 0);
    if (image >= 1 && begin + FrameStore::CellsPerFrame <= frames_.size())
        std::copy_n(frames_.begin() + static_cast<std::ptrdiff_t>(begin), frame.size(),
                    frame.begin());
    return frame;
}

void Animation::insertFrames(int before, std::span<const FrameStore::Frame> frames) {
    ++storeRevision_;
    const std::size_t at = std::min(FrameStore::indexOf(before, 0), frames_.size());
    Store added;
    added.reserve(frames.size() * FrameStore::CellsPerFrame);
    for (const FrameStore::Frame& frame : frames)
        added.insert(added.end(), frame.begin(), frame.end());
    frames_.insert(frames_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

std::vector<FrameStore::Frame> Animation::removeFrames(std::span<const int> images) {
    ++storeRevision_;
    std::vector<FrameStore::Frame> removed;
    removed.reserve(images.size());
    for (int image : images)
        removed.push_back(frame(image));
    for (auto image = images.rbegin(); image != images.rend(); ++image) {
        const std::size_t begin = FrameStore::indexOf(*image, 0);
        if (*image < 1 || begin >= frames_.size())
            continue;
        const std::size_t end = std::min(begin + FrameStore::CellsPerFrame, frames_.size());
        frames_.erase(frames_.begin() + static_cast<std::ptrdiff_t>(begin),
                      frames_.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return removed;
}
