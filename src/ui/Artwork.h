#pragma once

#include <QIcon>
#include <QPixmap>

// All pictures of the editor. Button icons are SVG resources rendered at 21 x 21
// (and twice that for high-density screens); the board background and the lit
// LED are drawn once here so that their 16-pixel LED pitch matches the cell grid.
namespace Artwork {

enum class Icon {
    MinSpeed,       // lettering "Min"
    ReduceSpeed,    // minus in a circle
    EnlargeSpeed,   // plus in a circle
    MaxSpeed,       // lettering "Max"
    VerticalFlip,   // letter mirrored left-right
    Up,             // arrow up
    HorizontalFlip, // letter mirrored top-bottom
    Copy,           // clipboard with a page
    Left,           // arrow left
    Invert,         // half-lit square
    Right,          // arrow right
    RotateLeft,     // letter turned a quarter counter-clockwise
    Down,           // arrow down
    RotateRight,    // letter turned a quarter clockwise
    Paste,          // clipboard with a page going onto it
    LoadFile,       // folder
    NewFile,        // blank page
    SaveFile,       // diskette
    FirstImage,     // «
    PreviousImage,  // ‹
    NextImage,      // ›
    LastImage,      // »
    AddImage,       // list with a plus
    DeleteImage,    // list with a red cross
    Slideshow,      // film strip
    LedLit,         // bright red LED ("Set all")
    LedDark,        // dark LED ("Clear all")
    Play,           // blue triangle pointing right
    StopSquare,     // blue square
    Plug,           // plug and cable
    PlugCrossed,    // plug and cable crossed out in red
    MonitorBright,  // monitor with a bright red screen
    MonitorDark,    // monitor with a dark red screen
};

constexpr int ButtonIconSize = 21;
constexpr int BoardSize = 289;
constexpr int LedSize = 16;
constexpr int BoardMargin = 16; // from the board's corner to the first LED

QIcon buttonIcon(Icon icon);
QIcon windowIcon();               // 32 x 32
const QPixmap& boardBackground(); // 289 x 289: grey board, dark LEDs, numbered rows and columns
const QPixmap& litLed();          // 16 x 16

} // namespace Artwork
