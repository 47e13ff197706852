#pragma once

#include <array>
#include <cstdint>

// Digits 3 pixels wide and 5 high for clocks and counters: a digit's rows top
// to bottom, three bits a row, the leftmost pixel the highest bit.
namespace Effects::DigitFont {

constexpr int Width = 3;
constexpr int Height = 5;

constexpr std::array<std::array<std::uint8_t, Height>, 10> Digits{{
    {7, 5, 5, 5, 7}, // 0
    {2, 6, 2, 2, 7}, // 1
    {7, 1, 7, 4, 7}, // 2
    {7, 1, 7, 1, 7}, // 3
    {5, 5, 7, 1, 1}, // 4
    {7, 4, 7, 1, 7}, // 5
    {7, 4, 7, 5, 7}, // 6
    {7, 1, 2, 2, 2}, // 7
    {7, 5, 7, 5, 7}, // 8
    {7, 5, 7, 1, 7}, // 9
}};

constexpr bool lit(int digit, int x, int y) {
    return (Digits[std::size_t(digit)][std::size_t(y)] >> (Width - 1 - x)) & 1;
}

} // namespace Effects::DigitFont
