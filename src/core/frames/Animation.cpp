#include "frames/Animation.h"

#include <algorithm>
#include <utility>

std::span<const std::uint8_t> Animation::images() const {
    return std::span(frames_.data(), std::min(frames_.size(), FrameStore::sizeFor(imageCount_)));
}

Animation::Store Animation::replaceStore(Store frames) {
    ++storeRevision_;
    Store replaced = std::exchange(frames_, std::move(frames));
    fitHolds();
    return replaced;
}

Animation::Content Animation::replaceContent(Content content) {
    ++storeRevision_;
    Content replaced{std::exchange(frames_, std::move(content.frames)),
                     std::exchange(extras_, std::move(content.extras))};
    fitHolds();
    return replaced;
}

void Animation::fitStoreToCount() {
    FrameStore::resize(frames_, imageCount_);
    fitHolds();
}

void Animation::fitHolds() {
    const std::size_t frames =
        (frames_.size() + FrameStore::CellsPerFrame - 1) / FrameStore::CellsPerFrame;
    extras_.holdMs.resize(frames, 0);
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
    restorePart(storeSize, offset, bytes, {});
}

void Animation::restorePart(std::size_t storeSize, std::size_t offset,
                            std::span<const std::uint8_t> bytes,
                            std::span<const std::uint16_t> holdMs) {
    ++storeRevision_;
    frames_.resize(storeSize, FrameStore::Dark);
    fitHolds();
    const std::size_t at = std::min(offset, frames_.size());
    const std::size_t count = std::min(bytes.size(), frames_.size() - at);
    std::copy_n(bytes.begin(), count, frames_.begin() + static_cast<std::ptrdiff_t>(at));
    const std::size_t first = offset / FrameStore::CellsPerFrame;
    for (std::size_t i = 0; i < holdMs.size() && first + i < extras_.holdMs.size(); ++i)
        extras_.holdMs[first + i] = holdMs[i];
}

std::vector<std::uint16_t> Animation::holdsOfPart(std::size_t offset, std::size_t length) const {
    const std::vector<std::uint16_t>& holds = extras_.holdMs;
    const std::size_t first = std::min(offset / FrameStore::CellsPerFrame, holds.size());
    const std::size_t end =
        std::min((offset + length + FrameStore::CellsPerFrame - 1) / FrameStore::CellsPerFrame,
                 holds.size());
    return {holds.begin() + static_cast<std::ptrdiff_t>(first),
            holds.begin() + static_cast<std::ptrdiff_t>(std::max(first, end))};
}

FrameStore::Frame Animation::frame(int image) const {
    FrameStore::Frame frame{};
    const std::size_t begin = FrameStore::indexOf(image, 0);
    if (image >= 1 && begin + FrameStore::CellsPerFrame <= frames_.size())
        std::copy_n(frames_.begin() + static_cast<std::ptrdiff_t>(begin), frame.size(),
                    frame.begin());
    return frame;
}

void Animation::insertFrames(int before, std::span<const FrameStore::Frame> frames,
                             std::span<const std::uint16_t> holdMs) {
    ++storeRevision_;
    const std::size_t at = std::min(FrameStore::indexOf(before, 0), frames_.size());
    Store added;
    added.reserve(frames.size() * FrameStore::CellsPerFrame);
    for (const FrameStore::Frame& frame : frames)
        added.insert(added.end(), frame.begin(), frame.end());
    frames_.insert(frames_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    std::vector<std::uint16_t> holds(frames.size(), 0);
    std::copy_n(holdMs.begin(), std::min(holdMs.size(), holds.size()), holds.begin());
    std::vector<std::uint16_t>& all = extras_.holdMs;
    const std::size_t holdAt = std::min(at / FrameStore::CellsPerFrame, all.size());
    all.insert(all.begin() + static_cast<std::ptrdiff_t>(holdAt), holds.begin(), holds.end());
    fitHolds();
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
        if (const auto hold = static_cast<std::size_t>(*image - 1); hold < extras_.holdMs.size())
            extras_.holdMs.erase(extras_.holdMs.begin() + static_cast<std::ptrdiff_t>(hold));
    }
    fitHolds();
    return removed;
}

Animation::DarkenedBytes Animation::takeLevels() {
    DarkenedBytes darkened;
    if (extras_.levels)
        return darkened;
    for (std::size_t i = 0; i < frames_.size(); ++i)
        if (frames_[i] != FrameStore::Dark && frames_[i] != FrameStore::Lit)
            darkened.emplace_back(i, std::exchange(frames_[i], FrameStore::Dark));
    extras_.levels = true;
    return darkened;
}

void Animation::giveBackLevels(const DarkenedBytes& darkened) {
    for (const auto& [index, value] : darkened)
        if (index < frames_.size())
            frames_[index] = value;
    extras_.levels = false;
}

int Animation::holdMs(int image) const {
    const auto index = static_cast<std::size_t>(image - 1);
    return image >= 1 && index < extras_.holdMs.size() ? extras_.holdMs[index] : 0;
}

void Animation::setHoldMs(int image, int ms) {
    const auto index = static_cast<std::size_t>(image - 1);
    if (image >= 1 && index < extras_.holdMs.size())
        extras_.holdMs[index] = static_cast<std::uint16_t>(std::clamp(ms, 0, 65535));
}

std::vector<std::uint16_t> Animation::holdsOf(std::span<const int> images) const {
    std::vector<std::uint16_t> holds;
    holds.reserve(images.size());
    for (int image : images)
        holds.push_back(static_cast<std::uint16_t>(holdMs(image)));
    return holds;
}
