#pragma once
// Reads and writes Windows icon files.
//
// Callers: CxImage through the picture source and encoder, on the caller's thread; no state.
// Each icon in a file is one frame; its image is a DIB (any depth, with its mask) or a PNG.
// A written file holds one 32-bit icon with alpha, which is what every reader understands.
// An icon is at most 256 x 256 pixels; the caller fits larger pictures first.
#include <cstdint>
#include <string_view>
#include <vector>

#include "image/base/Raster.h"

namespace vtlimage {

inline constexpr int kMaxIconSide = 256;

// The directory entry of one frame and where its image lies in the file.
struct IconFrame {
    std::string_view image; // DIB or PNG bytes
    bool png = false;
};

bool IsIco(std::string_view bytes);
// Frame `index` of the file; false when there is no such frame or it lies outside the file.
bool FindIconFrame(std::string_view bytes, int index, IconFrame& frame);
bool ReadIcoInfo(std::string_view bytes, int index, RasterInfo& info);
// A DIB frame into RGBA; PNG frames are decoded by the caller.
bool DecodeIcoDibFrame(const IconFrame& frame, Raster& out);
// One 32-bit frame from RGBA, at most kMaxIconSide on each side.
std::vector<std::uint8_t> EncodeIco(const Raster& rgba);

} // namespace vtlimage
