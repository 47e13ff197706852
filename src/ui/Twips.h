#pragma once

#include <QRect>
#include <cmath>

// The form is laid out in twips, 15 to a pixel. Both edges of a control are
// rounded, so that controls which meet in twips also meet in pixels.
namespace Twips {

constexpr int PerPixel = 15;

inline int toPixels(int twips) {
    return static_cast<int>(std::lround(twips / double(PerPixel)));
}

inline QRect rect(int left, int top, int width, int height) {
    const int x = toPixels(left);
    const int y = toPixels(top);
    return {x, y, toPixels(left + width) - x, toPixels(top + height) - y};
}

} // namespace Twips
