#include "frames/FrameCommands.h"

#include <algorithm>
#include <utility>

namespace {

// Swaps a stretch of the store, and the store's size, with the ones kept.
class PartChange final : public FrameCommand {
public:
    PartChange(const Animation& animation, std::size_t offset, std::size_t length)
        : storeSize_(animation.frames().size()), offset_(offset), length_(length),
          bytes_(animation.part(offset, length)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override { return sizeof(*this) + bytes_.capacity(); }
    bool changed(const Animation& animation) const override {
        return animation.frames().size() != storeSize_ ||
               animation.part(offset_, length_) != bytes_;
    }

private:
    void swap(Animation& animation) {
        Animation::Store current = animation.part(offset_, length_);
        const std::size_t currentSize = animation.frames().size();
        animation.restorePart(storeSize_, offset_, bytes_);
        bytes_ = std::move(current);
        storeSize_ = currentSize;
    }

    std::size_t storeSize_;
    std::size_t offset_;
    std::size_t length_;
    Animation::Store bytes_;
};

class StoreReplaced final : public FrameCommand {
public:
    explicit StoreReplaced(Animation::Store replaced) : store_(std::move(replaced)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override { return sizeof(*this) + store_.capacity(); }
    bool replacesAnimation() const override { return true; }

private:
    void swap(Animation& animation) { store_ = animation.replaceStore(std::move(store_)); }

    Animation::Store store_;
};

// Holds the frames only while they are out of the animation.
class InsertFrames final : public FrameCommand {
public:
    InsertFrames(int before, std::vector<FrameStore::Frame> frames)
        : before_(before), frames_(std::move(frames)) {}

    void redo(Animation& animation) override {
        animation.insertFrames(before_, frames_);
        count_ = static_cast<int>(frames_.size());
        frames_ = {};
    }
    void undo(Animation& animation) override {
        std::vector<int> images(static_cast<std::size_t>(count_));
        for (int i = 0; i < count_; ++i)
            images[static_cast<std::size_t>(i)] = before_ + i;
        frames_ = animation.removeFrames(images);
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + frames_.capacity() * sizeof(FrameStore::Frame);
    }

private:
    int before_;
    int count_ = 0;
    std::vector<FrameStore::Frame> frames_;
};

class DeleteFrames final : public FrameCommand {
public:
    explicit DeleteFrames(std::vector<int> images) : images_(std::move(images)) {
        std::sort(images_.begin(), images_.end());
        images_.erase(std::unique(images_.begin(), images_.end()), images_.end());
    }

    void redo(Animation& animation) override { frames_ = animation.removeFrames(images_); }
    void undo(Animation& animation) override {
        // Rising order: each frame goes back where it was among those already back.
        for (std::size_t i = 0; i < images_.size(); ++i)
            animation.insertFrames(images_[i], std::span(&frames_[i], 1));
        frames_ = {};
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + images_.capacity() * sizeof(int) +
               frames_.capacity() * sizeof(FrameStore::Frame);
    }

private:
    std::vector<int> images_;
    std::vector<FrameStore::Frame> frames_;
};

// The images taken out and put back together, the first of them becoming image
// `first`; undo takes the block out and puts each back where it was.
class MoveFrames final : public FrameCommand {
public:
    MoveFrames(std::vector<int> images, int first) : images_(std::move(images)), first_(first) {}

    void redo(Animation& animation) override {
        animation.insertFrames(first_, animation.removeFrames(images_));
    }
    void undo(Animation& animation) override {
        std::vector<int> block(images_.size());
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = first_ + static_cast<int>(i);
        const std::vector<FrameStore::Frame> frames = animation.removeFrames(block);
        // Rising order: each frame goes back where it was among those already back.
        for (std::size_t i = 0; i < images_.size(); ++i)
            animation.insertFrames(images_[i], std::span(&frames[i], 1));
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + images_.capacity() * sizeof(int);
    }

private:
    std::vector<int> images_;
    int first_;
};

} // namespace

namespace FrameCommands {

FrameCommandPtr partChange(const Animation& animation, std::size_t offset, std::size_t length) {
    return std::make_unique<PartChange>(animation, offset, length);
}

FrameCommandPtr currentFrameChange(const Animation& animation) {
    return partChange(animation, FrameStore::indexOf(animation.currentImage(), 0),
                      FrameStore::CellsPerFrame);
}

FrameCommandPtr storeReplaced(Animation::Store replaced) {
    return std::make_unique<StoreReplaced>(std::move(replaced));
}

FrameCommandPtr insertFrames(int before, std::vector<FrameStore::Frame> frames) {
    return std::make_unique<InsertFrames>(before, std::move(frames));
}

FrameCommandPtr deleteFrames(std::vector<int> images) {
    return std::make_unique<DeleteFrames>(std::move(images));
}

FrameCommandPtr moveFrames(std::vector<int> images, int first) {
    return std::make_unique<MoveFrames>(std::move(images), first);
}

} // namespace FrameCommands
