#pragma once
// Reads and writes Windows bitmaps (BMP files and the DIBs inside icons).
//
// Callers: CxImage (through the picture source and encoder) and the icon codec, on the
// caller's thread; no state. Reads 1, 4 and 8-bit palette pictures (also RLE4 and RLE8),
// 16, 24 and 32-bit pictures (also with bit fields) and OS/2 headers; writes 24-bit RGB and
// 8-bit palette files with their resolution. Anything truncated or inconsistent fails.
#include <cstdint>
#include <string_view>
#include <vector>

#include "image/Raster.h"

namespace vtlimage {

// "BM" and a sane info header; needs the first 64 bytes of the file or more.
bool ReadBmpInfo(std::string_view bytes, RasterInfo& info);
// The whole file into RGB or RGBA.
bool DecodeBmp(std::string_view bytes, Raster& out);

// A DIB as stored in an icon: info header, palette, colour bits, then a 1-bit mask whose set
// bits are transparent. Height in the header counts both halves. Always gives RGBA.
bool ReadIconDibInfo(std::string_view dib, RasterInfo& info);
bool DecodeIconDib(std::string_view dib, Raster& out);

// 24-bit from RGB, or 8-bit from an indexed raster (nBands 1 with a palette).
std::vector<std::uint8_t> EncodeBmp(const Raster& raster, int xDpi, int yDpi);

} // namespace vtlimage
