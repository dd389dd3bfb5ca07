#pragma once
// Plain pixel buffers exchanged between the library and its own codecs (BMP, PCX, ICO).
//
// Callers: CxImage and the codecs, on the caller's thread. Rows run top to bottom, samples are
// interleaved, 8 bits each.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vtlimage {

// What a file's header says, without its pixels.
struct RasterInfo {
    int nWidth = 0;
    int nHeight = 0;
    int nXDpi = 0; // 0: the file stores no resolution
    int nYDpi = 0;
    int nBpp = 0;
};

// nBands 3 (RGB) or 4 (RGBA); or 1 with a palette: then each sample is an index into
// palette, which holds RGB triplets.
struct Raster {
    int nWidth = 0;
    int nHeight = 0;
    int nBands = 0;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> palette;

    std::size_t RowBytes() const { return static_cast<std::size_t>(nWidth) * nBands; }
};

// Resolutions above this are damage, not a real device; such a file counts as having none.
inline constexpr int kMaxDpi = 65535;

// Pixels per metre, as BMP stores resolution, from dots per inch and back.
inline std::uint32_t DpiToPpm(int dpi) {
    return dpi > 0 ? static_cast<std::uint32_t>(dpi / 0.0254 + 0.5) : 0;
}
inline int PpmToDpi(std::uint32_t ppm) {
    return static_cast<int>(ppm * 0.0254 + 0.5);
}

} // namespace vtlimage
