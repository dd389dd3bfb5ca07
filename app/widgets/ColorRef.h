#pragma once
// A colour as the label control and the texts that fill it speak of it: red, green and blue in
// one 32-bit word laid out as on Windows (0x00BBGGRR), so code without a window can name the
// colour of a message.
#include <cstdint>

using COLORREF = std::uint32_t;

constexpr COLORREF MakeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
