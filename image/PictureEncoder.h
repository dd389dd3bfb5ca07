#pragma once
// Turns a picture into the bytes of a file in one of the library's formats.
//
// Callers: CxImage::Save, on the caller's thread; no state. Formats that cannot hold alpha
// (JPEG, BMP, PCX) get the picture flattened onto white. BMP and PCX are written with an
// 8-bit palette when the picture has at most 256 colours, else in 24 bits. ICO holds at most
// 256 x 256 pixels: a larger picture is fitted into that square, its proportions kept.
// libvips failures (such as a damaged source met while streaming) surface as vips::VError.
#include <cstdint>
#include <vector>

#include <vips/vips8>

namespace vtlimage {

struct EncodeSettings {
    int nFormat = 0; // library format number
    int nXDpi = 96;
    int nYDpi = 96;
    int nJpegQuality = 75; // 1..100
    bool bDither = true;   // GIF colour reduction with error diffusion
    bool bPalette = false; // the picture is a palette picture (keep it one in PNG)
};

// Whether the library writes this format number.
bool CanEncode(int format);

// False for a format number the library does not write.
bool EncodePicture(const vips::VImage& picture, const EncodeSettings& settings,
                   std::vector<std::uint8_t>& out);

} // namespace vtlimage
