#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How an animation plays once its last frame is reached: from the first again,
// back and forth (each end frame shown once a turn), or not at all, staying on
// the last frame.
enum class PlayMode { Loop, PingPong, Once };

// What an animation has beyond its on/off frames, kept beside the frame store
// by Animation: whether its cells hold grey levels (FrameStore::levelOf), how
// long each frame stays, how it plays and its name.
struct AnimationExtras {
    static constexpr int MinHoldMs = 40;
    static constexpr int MaxHoldMs = 65535;

    bool levels = false;
    // One per frame of the store, in step with it: 0 when the frame takes the
    // speed of the playback, else MinHoldMs..MaxHoldMs.
    std::vector<std::uint16_t> holdMs;
    PlayMode playMode = PlayMode::Loop;
    std::string name; // UTF-8

    bool hasHoldTimes() const;
    static bool isHoldTime(int ms) { return ms == 0 || (ms >= MinHoldMs && ms <= MaxHoldMs); }
    bool operator==(const AnimationExtras&) const = default;
};

// The order in which a playing animation of `count` frames shows them, for
// the modes other than Loop, whose wrap the editor's tick handles itself.
namespace PlayOrder {

struct Step {
    int image = 1;
    bool backwards = false; // PingPong: on the way back to the first frame
    bool ended = false;     // Once: the last frame was shown, nothing follows
};

// The frame after `current` (1..count), going back when `backwards`.
Step next(PlayMode mode, int current, int count, bool backwards);

} // namespace PlayOrder
