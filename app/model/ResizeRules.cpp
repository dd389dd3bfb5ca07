#include "app/model/ResizeRules.h"

#include "platform/Utf8.h"

#include "app/model/formats/FormatTable.h"

namespace {

// a × b in 32-bit two's complement, wrapping as the 32-bit machine arithmetic does.
std::int32_t Mul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Quotient truncated toward zero; the one overflowing case wraps as well.
std::int32_t Div32(std::int32_t a, std::int32_t b) {
    if (b == 0)
        return 0;
    if (b == -1)
        return Mul32(a, -1);
    return a / b;
}

// With "Never enlarge" no side grows past the picture's own: each side is held on its own, so a
// target wider but lower than the picture keeps only the width.
std::int32_t NoLargerThan(const ResizeSetting& s, std::int32_t target, std::int32_t side) {
    return s.bShrinkOnly && target > side ? side : target;
}

std::int32_t TargetWidth(const ResizeSetting& s, std::int32_t w, std::int32_t h, std::int32_t sw,
                         std::int32_t sh) {
    if (s.bDesktop) {
        const double picture = static_cast<double>(w) / h;
        const double screen = sh == 0 ? 0.0 : static_cast<double>(sw) / sh;
        return picture >= screen ? sw : Div32(Mul32(w, sh), h);
    }
    switch (s.nWidthUnit) {
    case UNIT_PIXEL:
        return s.nWidth;
    case UNIT_PERCENT:
        return Div32(Mul32(s.nWidth, w), 100);
    default:
        return 0;
    }
}

std::int32_t TargetHeight(const ResizeSetting& s, std::int32_t w, std::int32_t h, std::int32_t sw,
                          std::int32_t sh) {
    if (s.bDesktop) {
        const double picture = static_cast<double>(w) / h;
        const double screen = sh == 0 ? 0.0 : static_cast<double>(sw) / sh;
        return picture <= screen ? sh : Div32(Mul32(h, sw), w);
    }
    switch (s.nHeightUnit) {
    case UNIT_PIXEL:
        return s.nHeight;
    case UNIT_PERCENT:
        return Div32(Mul32(s.nHeight, h), 100);
    default:
        return 0;
    }
}

} // namespace

std::string MakeStatusLine(const std::string& verb, const std::string& path) {
    if (plat::Utf8Length(path) <= 40)
        return verb + " : " + path;
    return verb + " : ..." + std::string(plat::Utf8Tail(path, 37));
}

std::int32_t CalcTargetWidth(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                             std::int32_t sw, std::int32_t sh) {
    if (w == 0 || h == 0)
        return 0;
    return NoLargerThan(s, TargetWidth(s, w, h, sw, sh), w);
}

std::int32_t CalcTargetHeight(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                              std::int32_t sw, std::int32_t sh) {
    if (w == 0 || h == 0)
        return 0;
    return NoLargerThan(s, TargetHeight(s, w, h, sw, sh), h);
}
