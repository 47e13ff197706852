#include "effects/Listing.h"

#include "effects/Catalogue.h"

namespace Effects {

namespace {

std::string range(const Parameter& parameter) {
    if (parameter.slot == Slot::Curve)
        return "linear, gamma, inverted";
    if (parameter.lowest == 0 && parameter.highest == 1 && parameter.slot >= Slot::Switch1)
        return "on, off";
    return std::to_string(parameter.lowest) + " ... " + std::to_string(parameter.highest);
}

std::string fallback(const Parameter& parameter) {
    if (parameter.slot == Slot::Curve)
        return "linear";
    if (parameter.slot >= Slot::Switch1)
        return parameter.fallback != 0 ? "on" : "off";
    return std::to_string(parameter.fallback);
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

std::string textEntry(const EffectInfo& effect) {
    std::string entry = std::string(effect.name) + ": " + std::string(effect.summary) + "\n";
    for (const Parameter& parameter : effect.parameters)
        entry +=
            "    " +
            padded(std::string(parameter.key) + " (" + std::string(slotKey(parameter.slot)) + ")",
                   24) +
            padded(range(parameter), 12) + " default " + padded(fallback(parameter), 5) + " " +
            std::string(parameter.tooltip) + "\n";
    return entry;
}

std::string markdownEntry(const EffectInfo& effect) {
    std::string entry = "## " + std::string(effect.name) + "\n\n" + std::string(effect.summary) +
                        ".\n\n| Parameter | Slot | Range | Default | What it does |\n"
                        "|---|---|---|---|---|\n";
    for (const Parameter& parameter : effect.parameters)
        entry += "| `" + std::string(parameter.key) + "` | " +
                 std::string(slotKey(parameter.slot)) + " | " + range(parameter) + " | " +
                 fallback(parameter) + " | " + std::string(parameter.tooltip) + " |\n";
    return entry + "\n";
}

} // namespace

std::string listEffects(bool markdown) {
    const Parameter& curve = curveParameter();
    std::string text;
    if (markdown)
        text = "# Effects\n\nAn effect renders frames of 16 levels from the time, its "
               "parameters and a seed: the same seed and parameters give the same frames, byte "
               "for byte. Render one to any export with\n\n"
               "    quentaro --export OUT.gif --effect NAME[:KEY=VALUE,...] [--frames N] "
               "[--seed N] [--interval MS]\n\n"
               "A parameter is named by its own key or by its slot, as in WLED: `speed`, "
               "`intensity`, `c1` ... `c3` for the custom values, `o1` ... `o3` for the "
               "switches (on or off).\n\n"
               "The transitions, `scroll` and `bounce` start from the first frame of "
               "`--from FILE` (an animation), and a transition ends on its second frame, or "
               "dark; its last frame is that frame exactly (played live, it takes 50 frames "
               "and then holds). Without `--from` they start from "
               "dark (`scroll` and `bounce` from a sample picture) and a transition ends lit. "
               "A clock whose `time` is -1 starts at the present time, so that its frames "
               "differ from run to run; give a `time` (seconds since midnight or HH:MM[:SS]) "
               "for frames that do not.\n\nThis page is the output of "
               "`quentaro --list-effects --markdown`; a test checks that they agree.\n\n"
               "Every effect also takes `" +
               std::string(curve.key) + "` (" + range(curve) + "; " + "default " + fallback(curve) +
               "): " + std::string(curve.tooltip) + ".\n\n";
    for (const EffectInfo* effect : catalogue())
        text += markdown ? markdownEntry(*effect) : textEntry(*effect);
    // "default" is appended on its own here and above: copied inline, "; default " is cut
    // after "defaul", which lintian's scan of the program reads as a misspelling.
    if (!markdown)
        text += "Every effect also takes curve=" + range(curve) + " (" + "default " +
                fallback(curve) + ").\n";
    return text;
}

} // namespace Effects
