#pragma once

#include <cstdint>

namespace Effects {

// Random numbers that are the same on every machine for the same seed:
// splitmix64 seeds xorshift64*, and only integer arithmetic follows.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(mix(seed) | 1) {}

    std::uint32_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1DULL) >> 32);
    }
    // 0 .. bound - 1 (0 when bound is 0 or less).
    int below(int bound) {
        if (bound <= 0)
            return 0;
        return static_cast<int>((static_cast<std::uint64_t>(next()) * std::uint32_t(bound)) >> 32);
    }
    int between(int lowest, int highest) { return lowest + below(highest - lowest + 1); }
    // True `chance` times in 256.
    bool chance(int chance) { return below(256) < chance; }

    static std::uint64_t mix(std::uint64_t value) {
        value += 0x9E3779B97F4A7C15ULL;
        value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
        value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
        return value ^ (value >> 31);
    }

private:
    std::uint64_t state_;
};

} // namespace Effects
