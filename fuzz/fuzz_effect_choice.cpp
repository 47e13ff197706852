// libFuzzer target for the command line's effect choice, NAME[:KEY=VALUE,...]:
// what it accepts is in range, and renders.
#include "effects/Catalogue.h"
#include "effects/Choice.h"

#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Effects::Choice choice = Effects::parseChoice(text);
    check(choice.ok() != (choice.error.find('\n') == std::string::npos && !choice.error.empty()));
    if (!choice.ok())
        return 0;
    for (const Effects::Parameter& parameter : choice.effect->parameters) {
        const int value = choice.values[parameter.slot];
        check(value >= parameter.lowest && value <= parameter.highest);
    }
    Effects::Setup setup;
    setup.values = choice.values;
    setup.seed = size;
    const auto frames = Effects::renderFrames(*choice.effect, setup, 3, 40);
    check(frames.size() == 3 * 256);
    for (const std::uint8_t level : frames)
        check(level <= 15);
    return 0;
}
