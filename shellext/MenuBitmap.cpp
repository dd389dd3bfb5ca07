#include "shellext/MenuBitmap.h"

#include <cstdint>

namespace vtlext {

namespace {

// A blue cross and diamond with a yellow centre, on white, in a black frame.
constexpr const char* kRows[13] = {
    "kkkkkkkkkkkkk", "kwwwwwbwwwwwk", "kwwwwbbbwwwwk", "kwwwbwbwbwwwk", "kwwbwwbwwbwwk",
    "kwbwwwbwwwbwk", "kbbbbbybbbbbk", "kwbwwwbwwwbwk", "kwwbwwbwwbwwk", "kwwwbwbwbwwwk",
    "kwwwwbbbwwwwk", "kwwwwwbwwwwwk", "kkkkkkkkkkkkk",
};

// Colours of the 16-colour palette that the mark uses.
std::uint32_t PaletteColour(char c) {
    switch (c) {
    case 'k':
        return 0xFF000000u;
    case 'b':
        return 0xFF0000FFu;
    case 'y':
        return 0xFFFFFF00u;
    default:
        return 0xFFFFFFFFu;
    }
}

plat::BitmapData MakeMark() {
    plat::BitmapData mark{13, 13, {}};
    for (const char* row : kRows)
        for (int x = 0; x < 13; ++x)
            mark.pixels.push_back(PaletteColour(row[x]));
    return mark;
}

} // namespace

plat::HBITMAP LoadMenuBitmap() {
    static plat::BitmapData mark = MakeMark();
    return &mark;
}

} // namespace vtlext
