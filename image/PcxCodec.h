#pragma once
// Reads and writes ZSoft PCX pictures (version 5, run-length encoded).
//
// Callers: CxImage through the picture source and encoder, on the caller's thread; no state.
// Reads 1-bit (one plane, or four planes of 16 colours), 8-bit palette or grey and 24-bit
// (three planes) pictures; writes 8-bit palette and 24-bit pictures with their resolution.
#include <cstdint>
#include <string_view>
#include <vector>

#include "image/Raster.h"

namespace vtlimage {

// Needs the 128-byte header.
bool ReadPcxInfo(std::string_view bytes, RasterInfo& info);
bool DecodePcx(std::string_view bytes, Raster& out);
// 24-bit from RGB, or 8-bit from an indexed raster (nBands 1 with a palette).
std::vector<std::uint8_t> EncodePcx(const Raster& raster, int xDpi, int yDpi);

} // namespace vtlimage
