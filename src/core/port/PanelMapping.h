#pragma once

#include "port/PortIo.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// How a frame reaches an addressable LED panel (a WS2812 strip folded into 16 x 16):
// where the strip starts, whether it runs along the rows or the columns, whether
// every other line runs back (serpentine), and the picture turned and mirrored to
// match how the panel hangs. Every network output goes through this one place.
struct PanelWiring {
    enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };
    Corner start = Corner::TopLeft;
    bool columns = false;
    bool serpentine = true;
    int rotation = 0; // clockwise, 0, 90, 180 or 270 degrees
    bool mirror = false;

    bool operator==(const PanelWiring&) const = default;
};

struct PanelColour {
    std::uint8_t red = 255;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const PanelColour&) const = default;
};

// A panel of 256 WS2812 at full white draws about 15 A: the default is one
// colour at a fifth of its brightness.
struct PanelMapping {
    static constexpr int DefaultBrightness = 20;
    static constexpr int Leds = 256;
    using Rgb = std::array<std::uint8_t, Leds * 3>;

    PanelWiring wiring;
    PanelColour colour;
    int brightness = DefaultBrightness; // percent, 1 ... 100

    bool operator==(const PanelMapping&) const = default;

    // The strip position of the LED at (row, column) of the picture.
    int ledIndex(int row, int column) const;
    // The strip's bytes, three a LED in strip order, for a frame.
    Rgb rgb(const PortIo::PackedFrame& frame) const;
};

// "top-left,rows,serpentine,rotate-90,mirror" and the like: any of the words in
// any order, the rest as in the default. The error names the word not understood.
struct ParsedWiring {
    std::optional<PanelWiring> wiring;
    QString error;
};
ParsedWiring parsePanelWiring(const QString& text);
QString panelWiringText(const PanelWiring& wiring);

// #RRGGBB or a colour's name (red, green, blue, white, yellow, cyan, magenta,
// orange).
std::optional<PanelColour> parsePanelColour(const QString& text);
QString panelColourText(const PanelColour& colour);

// The picture that checks a panel's wiring: a 3 x 3 block in the top-left
// corner and an arrow pointing up. No turn or mirror leaves it as it is, so a
// wrong rotation, mirror or start corner shows at once.
PortIo::PackedFrame panelTestPicture();
