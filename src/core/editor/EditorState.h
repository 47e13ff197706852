#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Every window-level variable of the editor. The window owns one of these for the
// whole run; handlers share state only through it. Texts hold the bytes the file
// system and the playlist gave us, unchanged.
struct EditorState {
    static constexpr int CellsPerFrame = 256;
    static constexpr int PlaylistCapacity = 1001;

    std::string PlaylistPath;
    std::string FileName;
    std::string LineBuf;
    std::array<std::uint8_t, CellsPerFrame> ClipFrame{};
    std::vector<std::uint8_t> Frames = std::vector<std::uint8_t>(CellsPerFrame, 0);
    std::array<std::string, PlaylistCapacity> Playlist{};
    std::uint8_t SaveValue = 0;
    double FileFrameCount = 0.0;
    int Counter = 0;
    int SourceCell = 0;
    int Row = 0;
    int MatrixOff = 0;
    int AllSet = 0;
    int MouseCell = 0;
    int Cell = 0;
    int LowByte = 0;
    int HighByte = 0;
    int Playing = 0;
    int LedIndex = 0;
    int LptOn = 0;
    int BitWeight = 0;
    int SlideshowOn = 0;
    int CurrentImage = 1;
    int ImageCount = 1;
    std::int32_t FileLength = 0;
    int PlaylistPos = 0;
    int PlaylistCount = 0;
    std::int16_t IntervalMs = 301;
};
