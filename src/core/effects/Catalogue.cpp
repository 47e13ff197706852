#include "effects/Catalogue.h"

#include "effects/BuiltIn.h"

#include <array>

namespace Effects {

namespace {

// The least brightness of each level 1..15: a straight line, and a gamma of
// 2.2 that gives the dim end more of the levels.
constexpr std::array<int, 15> LinearSteps{16,  32,  48,  64,  80,  96,  112, 128,
                                          144, 160, 176, 192, 208, 224, 240};
constexpr std::array<int, 15> GammaSteps{55,  90,  113, 132, 148, 162, 175, 187,
                                         197, 208, 217, 226, 235, 244, 252};

std::array<std::uint8_t, 256> levelTable(const std::array<int, 15>& steps, bool inverted) {
    std::array<std::uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        int level = 0;
        while (level < 15 && value >= steps[std::size_t(level)])
            ++level;
        table[std::size_t(value)] = static_cast<std::uint8_t>(inverted ? 15 - level : level);
    }
    return table;
}

const std::array<std::uint8_t, 256>& tableFor(Curve curve) {
    static const auto linear = levelTable(LinearSteps, false);
    static const auto gamma = levelTable(GammaSteps, false);
    static const auto inverted = levelTable(LinearSteps, true);
    switch (curve) {
    case Curve::Gamma:
        return gamma;
    case Curve::Inverted:
        return inverted;
    case Curve::Linear:
        break;
    }
    return linear;
}

Curve curveOf(const Values& values) {
    const int curve = values[Slot::Curve];
    return curve == 1 ? Curve::Gamma : curve == 2 ? Curve::Inverted : Curve::Linear;
}

} // namespace

const Parameter& curveParameter() {
    static const Parameter curve{
        Slot::Curve, "curve", 0,
        2,           0,       "How brightness becomes the 16 levels: linear, gamma or inverted"};
    return curve;
}

const Parameter* EffectInfo::parameter(std::string_view key) const {
    for (const Parameter& parameter : parameters)
        if (parameter.key == key || slotKey(parameter.slot) == key)
            return &parameter;
    if (key == curveParameter().key)
        return &curveParameter();
    return nullptr;
}

Values EffectInfo::defaults() const {
    Values values;
    for (const Parameter& parameter : parameters)
        values[parameter.slot] = parameter.fallback;
    return values;
}

const std::vector<const EffectInfo*>& catalogue() {
    static const std::vector<const EffectInfo*> effects = builtInEffects();
    return effects;
}

const EffectInfo* findEffect(std::string_view name) {
    for (const EffectInfo* info : catalogue())
        if (info->name == name)
            return info;
    return nullptr;
}

std::string_view slotKey(Slot slot) {
    static constexpr std::array<std::string_view, SlotCount> keys{
        "speed", "intensity", "c1", "c2", "c3", "o1", "o2", "o3", "curve"};
    return keys[std::size_t(slot)];
}

std::vector<std::uint8_t> levelsOf(const Canvas& canvas, Curve curve) {
    const auto& table = tableFor(curve);
    std::vector<std::uint8_t> levels(canvas.pixels().size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = table[canvas.pixels()[i]];
    return levels;
}

Run::Run(const EffectInfo& info, const Setup& setup)
    : effect_(info.create(setup)), canvas_(setup.width, setup.height),
      curve_(curveOf(setup.values)) {}

const std::vector<std::uint8_t>& Run::next(int deltaMs) {
    effect_->beforeRender(started_ ? deltaMs : 0);
    started_ = true;
    effect_->render(canvas_);
    levels_ = levelsOf(canvas_, curve_);
    return levels_;
}

std::vector<std::uint8_t> renderFrames(const EffectInfo& info, const Setup& setup, int count,
                                       int frameMs) {
    Setup counted = setup;
    if (counted.frames <= 0)
        counted.frames = count;
    Run run(info, counted);
    std::vector<std::uint8_t> frames;
    frames.reserve(std::size_t(count) * std::size_t(setup.width * setup.height));
    for (int frame = 0; frame < count; ++frame) {
        const auto& levels = run.next(frameMs);
        frames.insert(frames.end(), levels.begin(), levels.end());
    }
    return frames;
}

} // namespace Effects
