#pragma once
// Writes a picture into a file in one of the library's formats.
//
// Callers: CxImage::Save, on the caller's thread; no state. Formats that cannot hold alpha
// (JPEG, BMP, PCX) get the picture flattened onto white. BMP and PCX are written with an
// 8-bit palette when the picture has at most 256 colours, else in 24 bits. ICO holds at most
// 256 x 256 pixels: a larger picture is fitted into that square, its proportions kept.
//
// The picture streams into the file: it is never held whole, except where a format needs every
// pixel before it writes any (GIF's colour reduction), and then only as far as the memory
// budget grants. BMP and PCX read the picture twice, first for its colours, then for its rows:
// `picture` makes it anew each time it is called. libvips failures (such as a damaged source
// met while streaming, or a picture too large to hold for GIF) surface as vips::VError; the
// caller removes what was written.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <vips/vips8>

namespace vtlimage {

struct EncodeSettings {
    int nFormat = 0; // library format number
    int nXDpi = 96;
    int nYDpi = 96;
    int nJpegQuality = 75; // 1..100, for JPEG, WebP, HEIC and AVIF
    bool bDither = true;   // GIF colour reduction with error diffusion
    bool bPalette = false; // the picture is a palette picture (keep it one in PNG)
};

// Whether the library writes this format number.
bool CanEncode(int format);

// False for a format number the library does not write, or a file that cannot be written.
bool EncodePicture(const std::function<vips::VImage()>& picture, const EncodeSettings& settings,
                   const std::string& path);
// The same file's bytes into `bytes` (emptied first) rather than a file.
bool EncodePicture(const std::function<vips::VImage()>& picture, const EncodeSettings& settings,
                   std::vector<std::uint8_t>& bytes);

} // namespace vtlimage
