#pragma once

#include <array>
#include <cstdint>

// The controls of the editor's window. The code names a button by its role; the
// table keeps the name the handlers know it by, which is also its handler's
// name: AddImage is Command25, clicked through Command25_Click.
//
//   name        role            what it is                      handler / procedure
//   ----------  --------------  ------------------------------  ---------------------------------
//   Frame1                      group "Matrix " (the board)
//   Frame3                      group "Speed"
//   Frame4                      group "Image"
//   Frame2                      group "Animation"
//   Command1    MinSpeed        "Min speed"                     Command1_Click
//   Command2    ReduceSpeed     "Reduce speed"                  Command2_Click
//   Command3    EnlargeSpeed    "Enlarge speed"                 Command3_Click
//   Command4    MaxSpeed        "Max speed"                     Command4_Click
//   Command5    VerticalFlip    "Vertical flip" (mirror L-R)    Command5_Click
//   Command6    ShiftUp         "Up" (shift)                    Command6_Click
//   Command7    HorizontalFlip  "Horizontal flip" (mirror T-B)  Command7_Click
//   Command8    Copy            "Copy"                          Command8_Click
//   Command9    ShiftLeft       "Left" (shift)                  Command9_Click
//   Command10   Invert          "Invert"                        Command10_Click
//   Command11   ShiftRight      "Right" (shift)                 Command11_Click
//   Command12   SetOrClearAll   "Set all" / "Clear all"         Command12_Click
//   Command13   RotateLeft      "Rotate left"                   Command13_Click
//   Command14   ShiftDown       "Down" (shift)                  Command14_Click
//   Command15   RotateRight     "Rotate right"                  Command15_Click
//   Command16   Paste           "Paste"                         Command16_Click
//   Command17   LoadFile        "Load file"                     Command17_Click
//   Command18   NewFile         "New file"                      Command18_Click
//   Command19   LptButton       "LPT on" / "LPT off"            Command19_Click (the refresh loop)
//   Command20   SaveFile        "Save file"                     Command20_Click
//   Command21   FirstImage      "First image"                   Command21_Click
//   Command22   PreviousImage   "Previous image"                Command22_Click
//   Command23   NextImage       "Next image"                    Command23_Click
//   Command24   LastImage       "Last image"                    Command24_Click
//   Command25   AddImage        "Add image"                     Command25_Click
//   Command26   DeleteImage     "Delete image"                  Command26_Click
//   Command27   MatrixButton    "Matrix off" / "Matrix on"      Command27_Click (blanks the board)
//   Command28   Slideshow       "Slideshow"                     Command28_Click
//   Command33   StartStop       "Start" / "Stop"                Command33_Click
//   Label1                      the rate, "3,3 Hz"
//   Label2                      current image / image count, "1/1"
//   Image1                      the board: background and the 256 cell pictures (Panel::cells)
//   Image3                      mouse surface over the cells    Image3_MouseMove, Image3_MouseUp
//   Image4..11                  hidden pictures the toggles copy: Image4 lit LED, Image5 dark LED,
//                               Image6 play, Image7 stop, Image8 plug, Image9 crossed plug,
//                               Image10 bright monitor, Image11 dark monitor
//   Timer1                      unused, always off
//   Timer2                      the animation tick              Timer2_Timer
//
//   Zapmat                      board -> current frame of the store
//   Chitmat                     current frame of the store -> board
//   Nulreg                      darkens the matrix: data 0, control lines idle
//   Pause                       waits, keeping events flowing
//   Dknop                       hides the editing buttons while an animation plays
//   Aknop                       shows them again after it stops
//   Pattern                     loads the playlist's next animation and plays it

// The buttons by role, in the order of their names.
enum class Control : std::uint8_t {
    MinSpeed,       // Command1
    ReduceSpeed,    // Command2
    EnlargeSpeed,   // Command3
    MaxSpeed,       // Command4
    VerticalFlip,   // Command5
    ShiftUp,        // Command6
    HorizontalFlip, // Command7
    Copy,           // Command8
    ShiftLeft,      // Command9
    Invert,         // Command10
    ShiftRight,     // Command11
    SetOrClearAll,  // Command12
    RotateLeft,     // Command13
    ShiftDown,      // Command14
    RotateRight,    // Command15
    Paste,          // Command16
    LoadFile,       // Command17
    NewFile,        // Command18
    LptButton,      // Command19
    SaveFile,       // Command20
    FirstImage,     // Command21
    PreviousImage,  // Command22
    NextImage,      // Command23
    LastImage,      // Command24
    AddImage,       // Command25
    DeleteImage,    // Command26
    MatrixButton,   // Command27
    Slideshow,      // Command28
    StartStop,      // Command33
};
constexpr int ButtonCount = static_cast<int>(Control::StartStop) + 1;

// The pictures a button can carry; the window turns each into its artwork.
enum class Picture : std::uint8_t {
    MinSpeed,
    ReduceSpeed,
    EnlargeSpeed,
    MaxSpeed,
    VerticalFlip,
    Up,
    HorizontalFlip,
    Copy,
    Left,
    Invert,
    Right,
    RotateLeft,
    Down,
    RotateRight,
    Paste,
    LoadFile,
    NewFile,
    SaveFile,
    FirstImage,
    PreviousImage,
    NextImage,
    LastImage,
    AddImage,
    DeleteImage,
    Slideshow,
    LedLit,
    LedDark,
    Play,
    StopSquare,
    Plug,
    PlugCrossed,
    MonitorBright,
    MonitorDark,
};
constexpr int PictureCount = static_cast<int>(Picture::MonitorDark) + 1;

// The pictures of the hidden stores, Image4 .. Image11.
namespace Store {
constexpr Picture Image4 = Picture::LedLit;
constexpr Picture Image5 = Picture::LedDark;
constexpr Picture Image6 = Picture::Play;
constexpr Picture Image7 = Picture::StopSquare;
constexpr Picture Image8 = Picture::Plug;
constexpr Picture Image9 = Picture::PlugCrossed;
constexpr Picture Image10 = Picture::MonitorBright;
constexpr Picture Image11 = Picture::MonitorDark;
} // namespace Store

enum class Group : std::uint8_t { Matrix, Speed, Image, Animation };

// Where a control sits, in twips from the top-left corner of its group.
struct TwipsRect {
    int left, top, width, height;
};

struct ButtonEntry {
    Control control;
    const char* name;
    Group group;
    TwipsRect rect;
    const char* tooltip; // at start-up
    Picture picture;     // at start-up
    bool shown;          // at start-up
};

// Every button of the window with its place and its start-up look.
// clang-format off
constexpr std::array<ButtonEntry, ButtonCount> Buttons{{
    {Control::MinSpeed, "Command1", Group::Speed, {120, 240, 495, 375}, "Min speed", Picture::MinSpeed, true},
    {Control::ReduceSpeed, "Command2", Group::Speed, {720, 240, 375, 375}, "Reduce speed", Picture::ReduceSpeed, true},
    {Control::EnlargeSpeed, "Command3", Group::Speed, {2400, 240, 375, 375}, "Enlarge speed", Picture::EnlargeSpeed, true},
    {Control::MaxSpeed, "Command4", Group::Speed, {2880, 240, 495, 375}, "Max speed", Picture::MaxSpeed, true},
    {Control::VerticalFlip, "Command5", Group::Image, {120, 240, 735, 375}, "Vertical flip", Picture::VerticalFlip, true},
    {Control::ShiftUp, "Command6", Group::Image, {960, 240, 735, 375}, "Up", Picture::Up, true},
    {Control::HorizontalFlip, "Command7", Group::Image, {1800, 240, 735, 375}, "Horizontal flip", Picture::HorizontalFlip, true},
    {Control::Copy, "Command8", Group::Image, {2640, 240, 735, 375}, "Copy", Picture::Copy, true},
    {Control::ShiftLeft, "Command9", Group::Image, {120, 720, 735, 375}, "Left", Picture::Left, true},
    {Control::Invert, "Command10", Group::Image, {960, 720, 735, 375}, "Invert", Picture::Invert, true},
    {Control::ShiftRight, "Command11", Group::Image, {1800, 720, 735, 375}, "Right", Picture::Right, true},
    {Control::SetOrClearAll, "Command12", Group::Image, {2640, 720, 735, 375}, "Set all", Picture::LedLit, true},
    {Control::RotateLeft, "Command13", Group::Image, {120, 1200, 735, 375}, "Rotate left", Picture::RotateLeft, true},
    {Control::ShiftDown, "Command14", Group::Image, {960, 1200, 735, 375}, "Down", Picture::Down, true},
    {Control::RotateRight, "Command15", Group::Image, {1800, 1200, 735, 375}, "Rotate right", Picture::RotateRight, true},
    {Control::Paste, "Command16", Group::Image, {2640, 1200, 735, 375}, "Paste", Picture::Paste, true},
    {Control::LoadFile, "Command17", Group::Animation, {120, 240, 975, 375}, "Load file", Picture::LoadFile, true},
    {Control::NewFile, "Command18", Group::Animation, {1200, 240, 1095, 375}, "New file", Picture::NewFile, true},
    {Control::LptButton, "Command19", Group::Animation, {2400, 1680, 975, 375}, "LPT on", Picture::PlugCrossed, true},
    {Control::SaveFile, "Command20", Group::Animation, {2400, 240, 975, 375}, "Save file", Picture::SaveFile, true},
    {Control::FirstImage, "Command21", Group::Animation, {120, 720, 375, 375}, "First image", Picture::FirstImage, false},
    {Control::PreviousImage, "Command22", Group::Animation, {720, 720, 375, 375}, "Previous image", Picture::PreviousImage, false},
    {Control::NextImage, "Command23", Group::Animation, {2400, 720, 375, 375}, "Next image", Picture::NextImage, false},
    {Control::LastImage, "Command24", Group::Animation, {3000, 720, 375, 375}, "Last image", Picture::LastImage, false},
    {Control::AddImage, "Command25", Group::Animation, {120, 1200, 975, 375}, "Add image", Picture::AddImage, true},
    {Control::DeleteImage, "Command26", Group::Animation, {2400, 1200, 975, 375}, "Delete image", Picture::DeleteImage, false},
    {Control::MatrixButton, "Command27", Group::Animation, {120, 1680, 975, 375}, "Matrix off", Picture::MonitorBright, true},
    {Control::Slideshow, "Command28", Group::Animation, {1200, 1680, 1095, 375}, "Slideshow", Picture::Slideshow, true},
    {Control::StartStop, "Command33", Group::Animation, {1200, 1200, 1095, 375}, "Start", Picture::Play, true},
}};
// clang-format on

constexpr const ButtonEntry& entryOf(Control control) {
    return Buttons[static_cast<std::size_t>(control)];
}
