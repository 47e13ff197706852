#pragma once

#include "frames/AnimationExtras.h"
#include "frames/FrameStore.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The animation being edited: the frame store, its number of frames, the frame
// shown and edited (counted from 1), the copy buffer, and its extras: grey
// levels, a hold time per frame, the play mode and the name.
//
// What it keeps at every moment: the store is never read or written past its
// end (a cell beyond it reads dark, a write there is dropped), resizing keeps
// the leading frames and adds dark ones, and the copy buffer is one whole frame.
// The count and the current frame are stepped by the handlers as their scripts
// say, which may pass through 0 or one past the count on the way; every handler
// leaves imageCount() whole frames in the store and the current frame within
// 1..imageCount(). The hold times stay in step with the store: a frame keeps
// its hold time wherever it goes, a frame added without one has 0, and a
// frame's hold time goes with it.
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
    void fitStoreToCount();
    // Puts `frames` in place of the store and hands back the store it replaced;
    // the extras stay, the hold times cut or padded to the new store.
    Store replaceStore(Store frames);
    // A whole animation: the store and the extras that belong to it.
    struct Content {
        Store frames;
        AnimationExtras extras;
    };
    // Puts another animation in place of this one (New, Load) and hands back
    // the one it replaced.
    Content replaceContent(Content content);

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
    // `frames` put in before image `before` (1 to one past the store's last
    // frame), with `holdMs` as their hold times (0 for those it does not reach).
    void insertFrames(int before, std::span<const FrameStore::Frame> frames,
                      std::span<const std::uint16_t> holdMs = {});
    // The images listed (in rising order) taken out, handed back in that order.
    std::vector<FrameStore::Frame> removeFrames(std::span<const int> images);

    // Grey levels. An animation without them is on/off: only a byte of 1 is lit.
    bool hasLevels() const { return extras_.levels; }
    // The bytes takeLevels() darkened, by index in the store, to put back on undo.
    using DarkenedBytes = std::vector<std::pair<std::size_t, std::uint8_t>>;
    // Makes this an animation with grey levels. Its bytes other than dark and
    // lit become dark first, so that no byte of a .led another program wrote is
    // taken for a level. Nothing when it has levels already.
    DarkenedBytes takeLevels();
    // Takes back takeLevels(): on/off again, the darkened bytes as they were.
    void giveBackLevels(const DarkenedBytes& darkened);
    // The grey level of a byte of this animation: on/off bytes read 0 or MaxLevel.
    int levelOf(std::uint8_t value) const { return FrameStore::levelOf(value, hasLevels()); }

    // Hold times by image number (from 1): 0 when the speed rules, or beyond the store.
    int holdMs(int image) const;
    void setHoldMs(int image, int ms);
    bool hasHoldTimes() const { return extras_.hasHoldTimes(); }
    // The hold times of the images listed, in that order.
    std::vector<std::uint16_t> holdsOf(std::span<const int> images) const;
    // Those of the frames the bytes `offset`..`offset + length` of the store
    // belong to, as far as the store reaches, for part() and restorePart().
    std::vector<std::uint16_t> holdsOfPart(std::size_t offset, std::size_t length) const;
    // As restorePart(), with the hold times of those frames put back too.
    void restorePart(std::size_t storeSize, std::size_t offset, std::span<const std::uint8_t> bytes,
                     std::span<const std::uint16_t> holdMs);

    PlayMode playMode() const { return extras_.playMode; }
    void setPlayMode(PlayMode mode) { extras_.playMode = mode; }
    const std::string& name() const { return extras_.name; }
    void setName(std::string name) { extras_.name = std::move(name); }
    const AnimationExtras& extras() const { return extras_; }

    const FrameStore::Frame& clipFrame() const { return clipFrame_; }
    void setClipFrame(const FrameStore::Frame& frame) { clipFrame_ = frame; }

private:
    // The hold times made one per frame of the store, a part of a frame counting.
    void fitHolds();

    Store frames_ = darkFrames(1);
    AnimationExtras extras_{false, {0}, PlayMode::Loop, {}};
    std::uint64_t storeRevision_ = 0;
    int currentImage_ = 1;
    int imageCount_ = 1;
    FrameStore::Frame clipFrame_{};
};
