#pragma once

#include "frames/FrameCommands.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

// Undo and redo of the changes to the animation. A step is a command, which
// keeps the frames on the other side of the change, and the window around them
// on that side: the counts, the frame buttons and the caption. Undoing runs the
// command's undo and swaps the window state, so the step then holds what redo
// needs. The oldest steps go past 1,000 steps or past a memory budget,
// whichever comes first; the newest step always stays.
class History {
public:
    static constexpr std::size_t Capacity = 1000;
    static constexpr std::size_t DefaultByteBudget = std::size_t{256} << 20;

    explicit History(std::size_t byteBudget = DefaultByteBudget) : byteBudget_(byteBudget) {}

    // The visibility of First, Previous, Next, Last, Add and Delete image.
    using FrameButtons = std::array<bool, 6>;

    // The caption and the file's figures, which change with the animation only
    // when a step replaces it whole (New, Load, an import in its place).
    struct Caption {
        QString text;
        std::int32_t fileLength = 0;
        double fileFrameCount = 0;
    };

    // What the window showed around the frames on one side of a step.
    struct View {
        int imageCount = 1;
        int currentImage = 1;
        FrameButtons buttons{};
        std::optional<Caption> caption;
        // The speed, on the side of a step that set one (a file that carries
        // its speed), which the speed buttons do not otherwise undo.
        std::optional<int> speedMs;
    };

    struct Step {
        FrameCommandPtr command;
        View view;
    };

    void push(Step step) {
        clearList(redo_);
        append(undo_, std::move(step));
        dropOldest();
    }
    void clear() {
        clearList(undo_);
        clearList(redo_);
    }
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }

    // The step to carry out; hand it back with the matching done once its view
    // holds the state it replaced.
    Step takeUndo() { return take(undo_); }
    void undone(Step step) { append(redo_, std::move(step)); }
    Step takeRedo() { return take(redo_); }
    void redone(Step step) {
        append(undo_, std::move(step));
        dropOldest();
    }

    // Bytes the steps hold, for the memory figures and the budget.
    std::size_t heldBytes() const { return heldBytes_; }

private:
    static std::size_t bytesOf(const Step& step) {
        return sizeof(Step) +
               (step.view.caption ? static_cast<std::size_t>(step.view.caption->text.capacity()) * 2
                                  : 0) +
               step.command->heldBytes();
    }
    void append(std::deque<Step>& list, Step step) {
        heldBytes_ += bytesOf(step);
        list.push_back(std::move(step));
    }
    Step take(std::deque<Step>& list) {
        Step step = std::move(list.back());
        list.pop_back();
        heldBytes_ -= bytesOf(step);
        return step;
    }
    void clearList(std::deque<Step>& list) {
        for (const Step& step : list)
            heldBytes_ -= bytesOf(step);
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
    std::deque<Step> undo_;
    std::deque<Step> redo_;
};
