#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// Undo and redo of the changes to the animation. A step keeps only what the
// other side of the change had and the current side lacks: one byte for a
// toggled LED, one frame for a frame operation, added or deleted image, and for
// New and Load the store that was replaced (moved, never copied). Undoing swaps
// that with the editor's state, so the step then holds what redo needs.
class History {
public:
    static constexpr std::size_t Capacity = 1000;

    // The visibility of First, Previous, Next, Last, Add and Delete image.
    using FrameButtons = std::array<bool, 6>;

    // What a step swaps with the editor's state.
    struct Side {
        std::size_t storeSize = 0;
        int imageCount = 1;
        int currentImage = 1;
        FrameButtons buttons{};
        // A region of the store: `bytes` are the side's bytes from `offset` on,
        // as far as its store reaches.
        std::size_t offset = 0;
        std::size_t length = 0;
        std::vector<std::uint8_t> bytes;
        // New and Load: the whole store and the caption.
        bool wholeStore = false;
        std::vector<std::uint8_t> store;
        QString caption;
        std::int32_t fileLength = 0;
        double fileFrameCount = 0;
    };

    void push(Side before) {
        redo_.clear();
        undo_.push_back(std::move(before));
        if (undo_.size() > Capacity)
            undo_.pop_front();
    }
    void clear() {
        undo_.clear();
        redo_.clear();
    }
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }

    // The side to swap in; hand the side swapped out back with the matching done.
    Side takeUndo() { return take(undo_); }
    void undone(Side after) { redo_.push_back(std::move(after)); }
    Side takeRedo() { return take(redo_); }
    void redone(Side before) { undo_.push_back(std::move(before)); }

    // Bytes the steps hold, for the memory figures.
    std::size_t heldBytes() const {
        std::size_t total = 0;
        for (const auto* list : {&undo_, &redo_})
            for (const Side& side : *list)
                total += sizeof(Side) + side.bytes.capacity() + side.store.capacity();
        return total;
    }

private:
    static Side take(std::deque<Side>& list) {
        Side side = std::move(list.back());
        list.pop_back();
        return side;
    }

    std::deque<Side> undo_;
    std::deque<Side> redo_;
};
