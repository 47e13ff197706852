#pragma once

#include <string>

namespace Effects {

// The catalogue as --list-effects prints it: plain text for a terminal, or
// Markdown for the documentation (docs/effects.md is this output).
std::string listEffects(bool markdown);

} // namespace Effects
