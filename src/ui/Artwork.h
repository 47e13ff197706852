#pragma once

#include "editor/Controls.h"

#include <QIcon>
#include <QPixmap>

// All pictures of the editor. Button icons are SVG resources rendered at 21 x 21
// (and twice that for high-density screens); the board background and the lit
// LED are drawn once here so that their 16-pixel LED pitch matches the cell grid.
namespace Artwork {

// The button pictures are the panel's.
using Icon = ::Picture;

constexpr int ButtonIconSize = 21;
constexpr int BoardSize = 289;
constexpr int LedSize = 16;
constexpr int BoardMargin = 16; // from the board's corner to the first LED

QIcon buttonIcon(Icon icon);
// Any other icon of resources/icons, by its file name without ".svg".
QIcon namedIcon(const char* name);
QIcon windowIcon();               // 32 x 32
const QPixmap& boardBackground(); // 289 x 289: grey board, dark LEDs, numbered rows and columns
const QPixmap& litLed();          // 16 x 16

} // namespace Artwork
