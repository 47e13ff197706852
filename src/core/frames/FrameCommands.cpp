#include "frames/FrameCommands.h"

#include <algorithm>
#include <utility>

namespace {

// Images `first`, `first` + 1, ... `count` of them.
std::vector<int> block(int first, int count) {
    std::vector<int> images(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < images.size(); ++i)
        images[i] = first + static_cast<int>(i);
    return images;
}

// Frames taken out of `images` (in rising order) put back there with their hold
// times: each goes back where it was among those already back.
void putBack(Animation& animation, std::span<const int> images,
             std::span<const FrameStore::Frame> frames, std::span<const std::uint16_t> holds) {
    for (std::size_t i = 0; i < images.size() && i < frames.size(); ++i)
        animation.insertFrames(images[i], frames.subspan(i, 1),
                               i < holds.size() ? holds.subspan(i, 1)
                                                : std::span<const std::uint16_t>{});
}

// Swaps a stretch of the store, and the store's size, with the ones kept; the
// hold times of the frames the stretch belongs to go with it.
class PartChange final : public FrameCommand {
public:
    PartChange(const Animation& animation, std::size_t offset, std::size_t length)
        : storeSize_(animation.frames().size()), offset_(offset), length_(length),
          bytes_(animation.part(offset, length)), holds_(animation.holdsOfPart(offset, length)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override {
        return sizeof(*this) + bytes_.capacity() + holds_.capacity() * sizeof(std::uint16_t);
    }
    bool changed(const Animation& animation) const override {
        return animation.frames().size() != storeSize_ ||
               animation.part(offset_, length_) != bytes_;
    }

private:
    void swap(Animation& animation) {
        Animation::Store current = animation.part(offset_, length_);
        std::vector<std::uint16_t> currentHolds = animation.holdsOfPart(offset_, length_);
        const std::size_t currentSize = animation.frames().size();
        animation.restorePart(storeSize_, offset_, bytes_, holds_);
        bytes_ = std::move(current);
        holds_ = std::move(currentHolds);
        storeSize_ = currentSize;
    }

    std::size_t storeSize_;
    std::size_t offset_;
    std::size_t length_;
    Animation::Store bytes_;
    std::vector<std::uint16_t> holds_;
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

class ContentReplaced final : public FrameCommand {
public:
    explicit ContentReplaced(Animation::Content replaced) : content_(std::move(replaced)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override {
        return sizeof(*this) + content_.frames.capacity() +
               content_.extras.holdMs.capacity() * sizeof(std::uint16_t) +
               content_.extras.name.capacity();
    }
    bool replacesAnimation() const override { return true; }

private:
    void swap(Animation& animation) { content_ = animation.replaceContent(std::move(content_)); }

    Animation::Content content_;
};

// Holds the frames only while they are out of the animation.
class InsertFrames final : public FrameCommand {
public:
    InsertFrames(int before, std::vector<FrameStore::Frame> frames,
                 std::vector<std::uint16_t> holdMs)
        : before_(before), frames_(std::move(frames)), holds_(std::move(holdMs)) {}

    void redo(Animation& animation) override {
        animation.insertFrames(before_, frames_, holds_);
        count_ = static_cast<int>(frames_.size());
        frames_ = {};
        holds_ = {};
    }
    void undo(Animation& animation) override {
        const std::vector<int> images = block(before_, count_);
        holds_ = animation.holdsOf(images);
        frames_ = animation.removeFrames(images);
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + frames_.capacity() * sizeof(FrameStore::Frame) +
               holds_.capacity() * sizeof(std::uint16_t);
    }

private:
    int before_;
    int count_ = 0;
    std::vector<FrameStore::Frame> frames_;
    std::vector<std::uint16_t> holds_;
};

class DeleteFrames final : public FrameCommand {
public:
    explicit DeleteFrames(std::vector<int> images) : images_(std::move(images)) {
        std::sort(images_.begin(), images_.end());
        images_.erase(std::unique(images_.begin(), images_.end()), images_.end());
    }

    void redo(Animation& animation) override {
        holds_ = animation.holdsOf(images_);
        frames_ = animation.removeFrames(images_);
    }
    void undo(Animation& animation) override {
        putBack(animation, images_, frames_, holds_);
        frames_ = {};
        holds_ = {};
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + images_.capacity() * sizeof(int) +
               frames_.capacity() * sizeof(FrameStore::Frame) +
               holds_.capacity() * sizeof(std::uint16_t);
    }

private:
    std::vector<int> images_;
    std::vector<FrameStore::Frame> frames_;
    std::vector<std::uint16_t> holds_;
};

// The images taken out and put back together, the first of them becoming image
// `first`; undo takes the block out and puts each back where it was.
class MoveFrames final : public FrameCommand {
public:
    MoveFrames(std::vector<int> images, int first) : images_(std::move(images)), first_(first) {}

    void redo(Animation& animation) override {
        const std::vector<std::uint16_t> holds = animation.holdsOf(images_);
        animation.insertFrames(first_, animation.removeFrames(images_), holds);
    }
    void undo(Animation& animation) override {
        const std::vector<int> moved = block(first_, static_cast<int>(images_.size()));
        const std::vector<std::uint16_t> holds = animation.holdsOf(moved);
        putBack(animation, images_, animation.removeFrames(moved), holds);
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + images_.capacity() * sizeof(int);
    }

private:
    std::vector<int> images_;
    int first_;
};

// The hold times of some images, swapped with the ones kept.
class HoldTimes final : public FrameCommand {
public:
    HoldTimes(std::vector<int> images, std::vector<std::uint16_t> holdMs)
        : images_(std::move(images)), holds_(std::move(holdMs)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override {
        return sizeof(*this) + images_.capacity() * sizeof(int) +
               holds_.capacity() * sizeof(std::uint16_t);
    }
    bool changed(const Animation& animation) const override {
        return animation.holdsOf(images_) != holds_;
    }

private:
    void swap(Animation& animation) {
        std::vector<std::uint16_t> current = animation.holdsOf(images_);
        for (std::size_t i = 0; i < images_.size() && i < holds_.size(); ++i)
            animation.setHoldMs(images_[i], holds_[i]);
        holds_ = std::move(current);
    }

    std::vector<int> images_;
    std::vector<std::uint16_t> holds_;
};

class PlayModeChange final : public FrameCommand {
public:
    explicit PlayModeChange(PlayMode mode) : mode_(mode) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override { return sizeof(*this); }
    bool changed(const Animation& animation) const override {
        return animation.playMode() != mode_;
    }

private:
    void swap(Animation& animation) {
        const PlayMode current = animation.playMode();
        animation.setPlayMode(mode_);
        mode_ = current;
    }

    PlayMode mode_;
};

class NameChange final : public FrameCommand {
public:
    explicit NameChange(std::string name) : name_(std::move(name)) {}

    void undo(Animation& animation) override { swap(animation); }
    void redo(Animation& animation) override { swap(animation); }
    std::size_t heldBytes() const override { return sizeof(*this) + name_.capacity(); }
    bool changed(const Animation& animation) const override { return animation.name() != name_; }

private:
    void swap(Animation& animation) {
        std::string current = animation.name();
        animation.setName(std::move(name_));
        name_ = std::move(current);
    }

    std::string name_;
};

// Nothing at all for an animation that has levels already.
class TakeLevels final : public FrameCommand {
public:
    void redo(Animation& animation) override {
        taken_ = !animation.hasLevels();
        darkened_ = animation.takeLevels();
    }
    void undo(Animation& animation) override {
        if (taken_)
            animation.giveBackLevels(darkened_);
        darkened_ = {};
    }
    std::size_t heldBytes() const override {
        return sizeof(*this) + darkened_.capacity() * sizeof(Animation::DarkenedBytes::value_type);
    }
    bool changed(const Animation&) const override { return taken_; }

private:
    Animation::DarkenedBytes darkened_;
    bool taken_ = false;
};

// Commands carried out in order as one; undone the other way round.
class Sequence final : public FrameCommand {
public:
    explicit Sequence(std::vector<FrameCommandPtr> parts) : parts_(std::move(parts)) {}

    void redo(Animation& animation) override {
        for (FrameCommandPtr& part : parts_)
            part->redo(animation);
    }
    void undo(Animation& animation) override {
        for (auto part = parts_.rbegin(); part != parts_.rend(); ++part)
            (*part)->undo(animation);
    }
    std::size_t heldBytes() const override {
        std::size_t bytes = sizeof(*this) + parts_.capacity() * sizeof(FrameCommandPtr);
        for (const FrameCommandPtr& part : parts_)
            bytes += part->heldBytes();
        return bytes;
    }
    bool changed(const Animation& animation) const override {
        return std::any_of(parts_.begin(), parts_.end(),
                           [&](const FrameCommandPtr& part) { return part->changed(animation); });
    }
    bool replacesAnimation() const override {
        return std::any_of(parts_.begin(), parts_.end(),
                           [](const FrameCommandPtr& part) { return part->replacesAnimation(); });
    }

private:
    std::vector<FrameCommandPtr> parts_;
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

FrameCommandPtr contentReplaced(Animation::Content replaced) {
    return std::make_unique<ContentReplaced>(std::move(replaced));
}

FrameCommandPtr insertFrames(int before, std::vector<FrameStore::Frame> frames,
                             std::vector<std::uint16_t> holdMs) {
    return std::make_unique<InsertFrames>(before, std::move(frames), std::move(holdMs));
}

FrameCommandPtr deleteFrames(std::vector<int> images) {
    return std::make_unique<DeleteFrames>(std::move(images));
}

FrameCommandPtr moveFrames(std::vector<int> images, int first) {
    return std::make_unique<MoveFrames>(std::move(images), first);
}

} // namespace FrameCommands

namespace FrameCommands {

FrameCommandPtr setHoldTimes(std::vector<int> images, int ms) {
    std::vector<std::uint16_t> holds(images.size(), static_cast<std::uint16_t>(ms));
    return std::make_unique<HoldTimes>(std::move(images), std::move(holds));
}

FrameCommandPtr setPlayMode(PlayMode mode) {
    return std::make_unique<PlayModeChange>(mode);
}

FrameCommandPtr setName(std::string name) {
    return std::make_unique<NameChange>(std::move(name));
}

FrameCommandPtr takeLevels() {
    return std::make_unique<TakeLevels>();
}

FrameCommandPtr sequence(std::vector<FrameCommandPtr> parts) {
    return std::make_unique<Sequence>(std::move(parts));
}

} // namespace FrameCommands
