#pragma once
// Plain pixel buffers exchanged between the library and its own codecs (BMP, PCX, ICO).
//
// Callers: CxImage and the codecs, on the caller's thread. Rows run top to bottom, samples are
// interleaved, 8 bits each.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vtlimage {

// No picture above this many pixels is decoded or made: a small file whose header claims
// a huge size (a decompression bomb) must not allocate for it.
inline constexpr std::uint64_t kMaxPixels = 300'000'000;

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

// Little-endian reads from a byte view; out of range reads give 0, callers check sizes first.
inline std::uint32_t ReadLE16(std::string_view bytes, std::size_t at) {
    if (at + 2 > bytes.size())
        return 0;
    return static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

inline std::uint32_t ReadLE32(std::string_view bytes, std::size_t at) {
    if (at + 4 > bytes.size())
        return 0;
    return ReadLE16(bytes, at) | (ReadLE16(bytes, at + 2) << 16);
}

inline void AppendLE16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void AppendLE32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    AppendLE16(out, value & 0xFFFF);
    AppendLE16(out, value >> 16);
}

inline bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

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
