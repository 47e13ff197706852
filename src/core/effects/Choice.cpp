#include "effects/Choice.h"

#include "effects/Catalogue.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace Effects {

namespace {

// Text from the command line as an error line quotes it: control characters
// shown as '?', so that the message stays one line.
std::string shown(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return line;
}

bool isSwitch(Slot slot) {
    return slot == Slot::Switch1 || slot == Slot::Switch2 || slot == Slot::Switch3;
}

constexpr std::array<std::string_view, 3> CurveNames{"linear", "gamma", "inverted"};

std::optional<int> wordValue(const Parameter& parameter, std::string_view word) {
    if (parameter.slot == Slot::Curve)
        for (std::size_t i = 0; i < CurveNames.size(); ++i)
            if (word == CurveNames[i])
                return static_cast<int>(i);
    if (isSwitch(parameter.slot)) {
        if (word == "on" || word == "true")
            return 1;
        if (word == "off" || word == "false")
            return 0;
    }
    return std::nullopt;
}

// HH:MM or HH:MM:SS as seconds since midnight.
std::optional<long long> timeOfDay(std::string_view text) {
    std::array<int, 3> parts{0, 0, 0};
    std::size_t count = 0, start = 0;
    for (; count < parts.size() && start <= text.size(); ++count) {
        const std::size_t colon = std::min(text.find(':', start), text.size());
        const auto [end, error] =
            std::from_chars(text.data() + start, text.data() + colon, parts[count]);
        if (error != std::errc() || end != text.data() + colon || colon == start)
            return std::nullopt;
        start = colon + 1;
    }
    if (start <= text.size() || count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59 ||
        *std::min_element(parts.begin(), parts.end()) < 0)
        return std::nullopt;
    return parts[0] * 3600LL + parts[1] * 60LL + parts[2];
}

// A whole number or a word the parameter knows; numbers too long for an int
// count as out of every range.
std::optional<long long> valueOf(const Parameter& parameter, std::string_view text) {
    if (const auto word = wordValue(parameter, text))
        return *word;
    if (text.find(':') != std::string_view::npos)
        return timeOfDay(text);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? -(1LL << 40) : (1LL << 40);
    return value;
}

std::string rangeOf(const Parameter& parameter) {
    if (parameter.slot == Slot::Curve)
        return "linear, gamma or inverted";
    if (isSwitch(parameter.slot))
        return "on or off";
    return "a whole number from " + std::to_string(parameter.lowest) + " to " +
           std::to_string(parameter.highest);
}

std::string keysOf(const EffectInfo& effect) {
    std::string keys;
    for (const Parameter& parameter : effect.parameters)
        keys += std::string(parameter.key) + ", ";
    return keys + "curve";
}

// One KEY=VALUE; empty when it is good, else why not.
std::string readPair(const EffectInfo& effect, std::string_view pair, Values& values) {
    const std::size_t equals = pair.find('=');
    const std::string_view key = pair.substr(0, equals);
    const Parameter* parameter = effect.parameter(key);
    const std::string name = "--effect " + std::string(effect.name);
    if (parameter == nullptr)
        return name + " has no parameter \"" + shown(key) + "\"; it takes " + keysOf(effect);
    if (equals == std::string_view::npos)
        return name + ": " + std::string(parameter->key) + " takes " + rangeOf(*parameter) +
               " after an =, as " + std::string(parameter->key) + "=" +
               std::to_string(parameter->fallback);
    const std::string_view text = pair.substr(equals + 1);
    const std::optional<long long> value = valueOf(*parameter, text);
    if (!value || *value < parameter->lowest || *value > parameter->highest)
        return name + ": " + std::string(parameter->key) + " takes " + rangeOf(*parameter) +
               ", not \"" + shown(text) + "\"";
    values[parameter->slot] = static_cast<int>(*value);
    return {};
}

} // namespace

Choice parseChoice(std::string_view text) {
    Choice choice;
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    choice.effect = findEffect(name);
    if (choice.effect == nullptr) {
        choice.error =
            "--effect: there is no effect \"" + shown(name) + "\"; --list-effects lists them";
        return choice;
    }
    choice.values = choice.effect->defaults();
    if (colon == std::string_view::npos)
        return choice;
    std::string_view rest = text.substr(colon + 1);
    while (choice.error.empty()) {
        const std::size_t comma = rest.find(',');
        choice.error = readPair(*choice.effect, rest.substr(0, comma), choice.values);
        if (comma == std::string_view::npos)
            break;
        rest = rest.substr(comma + 1);
    }
    return choice;
}

} // namespace Effects
