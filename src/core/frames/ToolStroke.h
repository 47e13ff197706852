#pragma once

#include "frames/Drawing.h"
#include "frames/FrameStore.h"
#include "frames/Symmetry.h"

#include <optional>
#include <vector>

// The drawing tools of the board beside the click that toggles one LED. A
// stroke runs from the press to the release and shows what it would draw at
// every step; only the finished picture becomes a change to the frame.
// Select and Wand choose LEDs rather than draw (ui/SelectionTool).
enum class Tool { Toggle, Pen, Line, Rectangle, Ellipse, Fill, Move, Select, Wand };

// What the tools draw with: the grey level (full light unless chosen) and
// whether the animation has levels (Animation::hasLevels).
struct StrokeInk {
    int level = FrameStore::MaxLevel;
    bool levels = false;
};

// How the tools draw beyond the shape itself. With a symmetry every tool but
// Click and Move also draws the shape's mirror images (fill fills from the
// mirrored start points as well). A pixel-perfect pen leaves out the corner
// LED of each L that a fast diagonal drag makes: of three points in a row, the
// middle one beside both others while those two touch only diagonally.
struct StrokeOptions {
    Symmetry symmetry = Symmetry::None;
    bool pixelPerfect = false;
    MirrorAxes axes = {}; // where the mirror's axes run
};

class ToolStroke {
public:
    using Ink = StrokeInk;

    // Pressed on `cell` of `frame`; `shift` fills rectangles and ellipses.
    // Lines and shapes light their LEDs at the ink's level, the pen gives every
    // LED it passes the state the first one takes (the ink's level, or dark
    // where that LED has it already), and fill gives the area of LEDs like the
    // first (of the same level) the ink's level when there are levels, and turns
    // the area (on or off) the other way without them; `erase` makes each of
    // them darken instead.
    ToolStroke(Tool tool, const FrameStore::Frame& frame, int cell, bool shift, bool erase = false,
               Ink ink = {}, StrokeOptions options = {});

    // The pointer now over `cell` (which may lie off the board while a button is held).
    void moveTo(Drawing::Point to, bool shift);
    // What the frame looks like with the stroke so far.
    const FrameStore::Frame& picture() const { return picture_; }
    Tool tool() const { return tool_; }
    // True when the stroke draws a grey level into an on/off animation, which
    // takes levels with it (Editor::drawStroke). Its picture then already reads
    // as the frame will once it has: the frame's odd bytes darkened.
    bool takesLevels() const { return takesLevels_; }
    // The same stroke drawn on another frame: from the same press through the
    // same points, giving the LEDs the state it gives them here (a pen lights
    // where this frame's first LED made it light, whatever `frame` has there),
    // filling `frame`'s own areas and moving `frame`'s own picture.
    FrameStore::Frame replayedOn(const FrameStore::Frame& frame) const;
    // Whether the stroke draws on a frame at all and may be replayed on others:
    // Click toggles the one LED of the frame shown, Select and Wand only choose.
    bool replays() const;

private:
    struct Press {
        int cell;
        bool shift;
        bool erase;
        Ink ink;
    };
    struct Step {
        Drawing::Point to;
        bool shift;
    };
    ToolStroke(Tool tool, const FrameStore::Frame& frame, const Press& press, StrokeOptions options,
               std::optional<std::uint8_t> value);

    void redraw(bool shift);
    void drawMirrored(const FrameStore::Frame& shape);
    void addPenPoint(Drawing::Point p);
    void coverPenPoint(Drawing::Point p, int by);

    Tool tool_;
    bool takesLevels_;
    bool byLevel_; // LEDs are alike when at the same level, not only both on or off
    FrameStore::Frame start_;
    FrameStore::Frame picture_;
    Drawing::Point from_;
    Drawing::Point last_;
    std::uint8_t value_; // the state the stroke gives the LEDs it draws
    StrokeOptions options_;
    std::vector<Drawing::Point> penPath_; // the pen's points kept so far
    // How many kept pen points (or their mirror images) lie on each LED.
    std::array<int, FrameStore::CellsPerFrame> penCover_{};
    Press press_;
    // Where the pointer went: every point for the pen, whose path is drawn as
    // it goes, only the last one for the tools drawn from press and pointer.
    std::vector<Step> steps_;
};
