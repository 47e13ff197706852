#pragma once

#include "frames/Animation.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// A change to the animation's frames that can be taken back. A command holds
// only the side of the change the animation does not: undo puts that side in
// and keeps the one it replaced, redo does the same the other way. The frame
// count, the current frame and the window around them are the history's to
// restore; a command touches the store alone.
class FrameCommand {
public:
    virtual ~FrameCommand() = default;
    virtual void undo(Animation& animation) = 0;
    virtual void redo(Animation& animation) = 0;
    // The memory the command keeps, for the history's budget.
    virtual std::size_t heldBytes() const = 0;
    // False when the animation is still as the command found it, so there is
    // nothing to record.
    virtual bool changed(const Animation&) const { return true; }
    // True when the change puts another animation in place of this one, whose
    // caption the history then keeps with it.
    virtual bool replacesAnimation() const { return false; }
};

using FrameCommandPtr = std::unique_ptr<FrameCommand>;

namespace FrameCommands {

// Bytes of the store from `offset` on, as they are before a handler changes
// them in place: a cell, a frame, or the frame Add and Delete image grow or drop.
FrameCommandPtr partChange(const Animation& animation, std::size_t offset, std::size_t length);
// The current frame, before it is redrawn.
FrameCommandPtr currentFrameChange(const Animation& animation);
// The store New, Load or an import replaced, handed over so it is kept, not copied.
FrameCommandPtr storeReplaced(Animation::Store replaced);
// The same with the extras that went with it (Animation::replaceContent).
FrameCommandPtr contentReplaced(Animation::Content replaced);

// Commands that carry out their change themselves, in redo(), with images
// counted from 1 as the navigation counts them.
// `frames` put in before image `before` (1 to one past the last), with
// `holdMs` as their hold times (0 for those it does not reach).
FrameCommandPtr insertFrames(int before, std::vector<FrameStore::Frame> frames,
                             std::vector<std::uint16_t> holdMs = {});
// The images listed removed.
FrameCommandPtr deleteFrames(std::vector<int> images);
// The images listed (in rising order) taken out and put back side by side, in
// their order, the first of them becoming image `first`.
FrameCommandPtr moveFrames(std::vector<int> images, int first);

// Commands that carry out their change themselves, in redo(), on the extras.
// The hold time of each image listed set to `ms`.
FrameCommandPtr setHoldTimes(std::vector<int> images, int ms);
FrameCommandPtr setPlayMode(PlayMode mode);
FrameCommandPtr setName(std::string name);
// Animation::takeLevels(), taken back on undo with the bytes it darkened.
FrameCommandPtr takeLevels();
// Several commands as one step: carried out in order, undone the other way
// round; each part is carried out before the next is made, as a handler would.
FrameCommandPtr sequence(std::vector<FrameCommandPtr> parts);

} // namespace FrameCommands
