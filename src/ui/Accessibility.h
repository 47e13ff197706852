#pragma once

class MouseSurface;

// What screen readers see of the editor's window: a frame holding the four
// groups, every button with its key, the speed and image labels, and the board
// as a table of 16 x 16 LEDs, each a cell that is checked while the LED is lit.
// The hidden icon stores and the board's picture (which the table speaks for)
// are left out.
namespace Accessibility {

// Lets Qt hand out these interfaces for the window's controls; once is enough.
void install();

// Tells assistive technology that a cell was lit or darkened.
void cellChanged(MouseSurface* board, int cell);
// Tells it that the cursor, and with it the focus, is on another cell.
void cursorMoved(MouseSurface* board, int cell);

} // namespace Accessibility
