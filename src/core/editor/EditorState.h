#pragma once

#include "frames/FrameStore.h"
#include "playback/SpeedLadder.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Every program-wide variable of the editor. The editor owns one of these for the
// whole run; handlers share state only through it. Texts hold the bytes the file
// system and the playlist gave us, unchanged.
struct EditorState {
    static constexpr int PlaylistCapacity = 1001;

    // The animation.
    std::vector<std::uint8_t> Frames = std::vector<std::uint8_t>(FrameStore::CellsPerFrame, 0);
    int CurrentImage = 1;
    int ImageCount = 1;
    std::array<std::uint8_t, FrameStore::CellsPerFrame> ClipFrame{};

    // Modes.
    int Playing = 0;
    int LptOn = 0;
    int MatrixOff = 0;
    int AllSet = 0; // what "Set all" / "Clear all" did last
    std::int16_t IntervalMs = SpeedLadder::StartMs;

    // The slideshow.
    int SlideshowOn = 0;
    std::array<std::string, PlaylistCapacity> Playlist{};
    std::string PlaylistPath;
    int PlaylistCount = 0;
    int PlaylistPos = 0;
    std::string FileName; // the entry being played, with ".led"

    // Working values the procedures leave behind: the cell under the mouse, the
    // cell loop of Zapmat / Chitmat (256 when done), the start-up pulse counter
    // (16 when done), and the size of the file loaded last.
    int MouseCell = 0;
    int Cell = 0;
    int Counter = 0;
    std::int32_t FileLength = 0;
    double FileFrameCount = 0.0;
};
