#pragma once

#include "effects/Canvas.h"
#include "effects/Random.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace Effects {

// The parameters every effect may take, as WLED's users know them: speed,
// intensity, three custom values, three switches and the level curve that
// takes the place of a palette.
enum class Slot { Speed, Intensity, Custom1, Custom2, Custom3, Switch1, Switch2, Switch3, Curve };
constexpr int SlotCount = 9;

// How a brightness 0..255 becomes one of the 16 levels.
enum class Curve { Linear, Gamma, Inverted };

// One parameter as an effect describes it: the slot it fills, the key it is
// given by on the command line, its range, its default and a line for a tooltip.
struct Parameter {
    Slot slot;
    std::string_view key;
    int lowest;
    int highest;
    int fallback;
    std::string_view tooltip;
};

// The values of every slot; a slot an effect does not describe keeps 0.
struct Values {
    std::array<int, SlotCount> bySlot{};

    int operator[](Slot slot) const { return bySlot[static_cast<std::size_t>(slot)]; }
    int& operator[](Slot slot) { return bySlot[static_cast<std::size_t>(slot)]; }
    bool on(Slot slot) const { return (*this)[slot] != 0; }
};

// What an effect starts from: the picture's size, its values, the seed of its
// random numbers and, where it makes sense, the frame before it and the frame
// a transition ends on (levels 0..15, row-major; empty when there is none).
struct Setup {
    int width = 16;
    int height = 16;
    Values values;
    std::uint64_t seed = 0;
    std::vector<std::uint8_t> startLevels;
    std::vector<std::uint8_t> endLevels;
    // How many frames the run gives (an export's count), 0 when it plays on
    // until stopped; a transition ends on its last frame.
    int frames = 0;
};

// A running effect, in the manner of a small pattern language: beforeRender()
// moves it on by the time since the last frame, then render() draws the frame
// on a canvas that keeps what the frame before left (an effect with trails
// fades it, one without draws every pixel). Everything it draws follows from
// its Setup and the deltas it was given.
class Effect {
public:
    virtual ~Effect() = default;
    virtual void beforeRender(int deltaMs) = 0;
    virtual void render(Canvas& canvas) = 0;
};

// An effect as the catalogue lists it: its name, a line about it, the frame
// time it looks best at, its parameters and how to start one.
struct EffectInfo {
    std::string_view name;
    std::string_view summary;
    int frameMs;
    std::vector<Parameter> parameters;
    std::unique_ptr<Effect> (*create)(const Setup& setup);

    const Parameter* parameter(std::string_view key) const;
    // Every described parameter at its default, the curve linear.
    Values defaults() const;
};

// The parameter every effect has besides its own.
const Parameter& curveParameter();

} // namespace Effects
