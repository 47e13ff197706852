#pragma once

#include "frames/Drawing.h"
#include "frames/FrameStore.h"

// The drawing tools of the board beside the click that toggles one LED. A
// stroke runs from the press to the release and shows what it would draw at
// every step; only the finished picture becomes a change to the frame.
enum class Tool { Toggle, Pen, Line, Rectangle, Ellipse, Fill, Move };

class ToolStroke {
public:
    // Pressed on `cell` of `frame`; `shift` fills rectangles and ellipses.
    // Lines and shapes light their LEDs, the pen gives every LED it passes the
    // state the first one takes, and fill turns the area over; `erase` makes
    // each of them darken instead.
    ToolStroke(Tool tool, const FrameStore::Frame& frame, int cell, bool shift, bool erase = false);

    // The pointer now over `cell` (which may lie off the board while a button is held).
    void moveTo(Drawing::Point to, bool shift);
    // What the frame looks like with the stroke so far.
    const FrameStore::Frame& picture() const { return picture_; }
    Tool tool() const { return tool_; }

private:
    void redraw(bool shift);

    Tool tool_;
    FrameStore::Frame start_;
    FrameStore::Frame picture_;
    Drawing::Point from_;
    Drawing::Point last_;
    std::uint8_t value_; // the state the stroke gives the LEDs it draws
};
