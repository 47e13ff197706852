#pragma once

#include "port/PanelMapping.h"

#include <QString>

// What the program keeps for each output, under its --port value: a network
// panel's mapping, the most frames a second it is sent and whether a frame's
// universes are shown together (E1.31 universe synchronisation, ArtSync).
struct PanelSetup {
    static constexpr int DefaultMaxFps = 40;
    static constexpr int LowestMaxFps = 1;
    // 256 WS2812 take 7.7 ms to take in a frame: some 130 frames a second at most.
    static constexpr int HighestMaxFps = 120;

    PanelMapping mapping;
    int maxFps = DefaultMaxFps;
    bool syncUniverses = false;

    bool operator==(const PanelSetup&) const = default;
};

// As kept for `port`; the default for whatever was never kept or cannot be read.
PanelSetup storedPanelSetup(const QString& port);
void storePanelSetup(const QString& port, const PanelSetup& setup);

// The brightness of a board whose rows are lit in turn (a parallel port, the USB
// bridge), kept for each output under its --port value: MatrixOutput's 5 ... 100
// percent, full light when never kept or unreadable.
int storedBrightness(const QString& port);
void storeBrightness(const QString& port, int percent);

// How many grey levels a board the program multiplexes shows: 8 (three bit
// planes) or 16 (four), kept for every output; 8 when never kept or unreadable.
constexpr int FewerMatrixLevels = 8;
constexpr int MoreMatrixLevels = 16;
int storedMatrixLevels();
void storeMatrixLevels(int levels);
// The bit planes that show `levels` (8 or 16) levels.
constexpr int greyPlanesFor(int levels) {
    return levels == MoreMatrixLevels ? 4 : 3;
}
