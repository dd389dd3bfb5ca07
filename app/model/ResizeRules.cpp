#include "app/model/ResizeRules.h"

#include <vector>

#include "app/model/formats/FormatTable.h"

namespace {

// a × b in 32-bit two's complement, wrapping as the 32-bit machine arithmetic does.
std::int32_t Mul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) *
                                     static_cast<std::uint32_t>(b));
}

// Quotient truncated toward zero; the one overflowing case wraps as well.
std::int32_t Div32(std::int32_t a, std::int32_t b) {
    if (b == 0)
        return 0;
    if (b == -1)
        return Mul32(a, -1);
    return a / b;
}

std::vector<std::size_t> CodePointStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    return starts;
}

} // namespace

std::string MakeStatusLine(const std::string& verb, const std::string& path) {
    const std::vector<std::size_t> starts = CodePointStarts(path);
    if (starts.size() <= 40)
        return verb + " : " + path;
    return verb + " : ..." + path.substr(starts[starts.size() - 37]);
}

std::int32_t CalcTargetWidth(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                             std::int32_t sw, std::int32_t sh) {
    if (w == 0 || h == 0)
        return 0;
    if (s.bDesktop) {
        const double picture = static_cast<double>(w) / h;
        const double screen = sh == 0 ? 0.0 : static_cast<double>(sw) / sh;
        return picture >= screen ? sw : Div32(Mul32(w, sh), h);
    }
    switch (s.nWidthUnit) {
    case UNIT_PIXEL: return s.nWidth;
    case UNIT_PERCENT: return Div32(Mul32(s.nWidth, w), 100);
    default: return 0;
    }
}

std::int32_t CalcTargetHeight(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                              std::int32_t sw, std::int32_t sh) {
    if (w == 0 || h == 0)
        return 0;
    if (s.bDesktop) {
        const double picture = static_cast<double>(w) / h;
        const double screen = sh == 0 ? 0.0 : static_cast<double>(sw) / sh;
        return picture <= screen ? sh : Div32(Mul32(h, sw), w);
    }
    switch (s.nHeightUnit) {
    case UNIT_PIXEL: return s.nHeight;
    case UNIT_PERCENT: return Div32(Mul32(s.nHeight, h), 100);
    default: return 0;
    }
}
