#pragma once

#include "frames/FrameStore.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The animation being edited: the frame store, its number of frames, the frame
// shown and edited (counted from 1) and the copy buffer.
//
// What it keeps at every moment: the store is never read or written past its
// end (a cell beyond it reads dark, a write there is dropped), resizing keeps
// the leading frames and adds dark ones, and the copy buffer is one whole frame.
// The count and the current frame are stepped by the handlers as their scripts
// say, which may pass through 0 or one past the count on the way; every handler
// leaves imageCount() whole frames in the store and the current frame within
// 1..imageCount().
class Animation {
public:
    using Store = std::vector<std::uint8_t>;

    // `count` dark frames.
    static Store darkFrames(int count) {
        return Store(FrameStore::sizeFor(count), FrameStore::Dark);
    }

    const Store& frames() const { return frames_; }
    // Moves on whenever the store is replaced, grown or shrunk, also where no
    // step of the history records it (a slideshow's next animation).
    std::uint64_t storeRevision() const { return storeRevision_; }
    // Frames 1 to imageCount(), as far as the store reaches: what a file of the
    // animation holds.
    std::span<const std::uint8_t> images() const;
    // By reference: the refresh pass reads it afresh for every row.
    const int& currentImage() const { return currentImage_; }
    int imageCount() const { return imageCount_; }

    void setCurrentImage(int image) { currentImage_ = image; }
    void setImageCount(int count) { imageCount_ = count; }
    // The store made imageCount() whole frames.
    void fitStoreToCount() { FrameStore::resize(frames_, imageCount_); }
    // Puts `frames` in place of the store and hands back the store it replaced.
    Store replaceStore(Store frames);

    // The current frame, a cell or the whole picture at a time.
    std::uint8_t cell(int cell) const;
    void setCell(int cell, std::uint8_t value);
    FrameStore::Frame currentFrame() const;
    void storeCurrentFrame(const FrameStore::Frame& frame);

    // The store's bytes, to set up a picture from outside (tests, benchmarks):
    // any value may go in (only 1 is lit), and the store keeps its size.
    std::span<std::uint8_t> bytes() { return frames_; }

    // The bytes from `offset` on, at most `length` of them, as far as the store
    // reaches; and putting such a part back into a store of `storeSize` bytes.
    Store part(std::size_t offset, std::size_t length) const;
    void restorePart(std::size_t storeSize, std::size_t offset,
                     std::span<const std::uint8_t> bytes);

    // Whole frames by image number (from 1): a frame beyond the store reads dark.
    FrameStore::Frame frame(int image) const;
    // `frames` put in before image `before` (1 to one past the store's last frame).
    void insertFrames(int before, std::span<const FrameStore::Frame> frames);
    // The images listed (in rising order) taken out, handed back in that order.
    std::vector<FrameStore::Frame> removeFrames(std::span<const int> images);

    const FrameStore::Frame& clipFrame() const { return clipFrame_; }
    void setClipFrame(const FrameStore::Frame& frame) { clipFrame_ = frame; }

private:
    Store frames_ = darkFrames(1);
    std::uint64_t storeRevision_ = 0;
    int currentImage_ = 1;
    int imageCount_ = 1;
    FrameStore::Frame clipFrame_{};
};
