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
// The oldest steps go past 1,000 steps or past a memory budget, whichever
// comes first; the newest step always stays.
class History {
public:
    static constexpr std::size_t Capacity = 1000;
    static constexpr std::size_t DefaultByteBudget = std::size_t{256} << 20;

    explicit History(std::size_t byteBudget = DefaultByteBudget) : byteBudget_(byteBudget) {}

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
        clearList(redo_);
        append(undo_, std::move(before));
        dropOldest();
    }
    void clear() {
        clearList(undo_);
        clearList(redo_);
    }
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }

    // The side to swap in; hand the side swapped out back with the matching done.
    Side takeUndo() { return take(undo_); }
    void undone(Side after) { append(redo_, std::move(after)); }
    Side takeRedo() { return take(redo_); }
    void redone(Side before) {
        append(undo_, std::move(before));
        dropOldest();
    }

    // Bytes the steps hold, for the memory figures and the budget.
    std::size_t heldBytes() const { return heldBytes_; }

private:
    static std::size_t bytesOf(const Side& side) {
        return sizeof(Side) + side.bytes.capacity() + side.store.capacity();
    }
    void append(std::deque<Side>& list, Side side) {
        heldBytes_ += bytesOf(side);
        list.push_back(std::move(side));
    }
    Side take(std::deque<Side>& list) {
        Side side = std::move(list.back());
        list.pop_back();
        heldBytes_ -= bytesOf(side);
        return side;
    }
    void clearList(std::deque<Side>& list) {
        for (const Side& side : list)
            heldBytes_ -= bytesOf(side);
        list.clear();
    }
    void dropOldest() {
        while (undo_.size() > 1 && (undo_.size() > Capacity || heldBytes_ > byteBudget_)) {
            heldBytes_ -= bytesOf(undo_.front());
            undo_.pop_front();
        }
    }

    std::size_t byteBudget_;
    std::size_t heldBytes_ = 0;
    std::deque<Side> undo_;
    std::deque<Side> redo_;
};
