#include "image/PcxCodec.h"

#include <algorithm>
#include <cstddef>

namespace vtlimage {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteTail = 769; // marker 0x0C and 256 RGB triplets

struct PcxHeader {
    int bitsPerPlane = 0;
    int planes = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::size_t bytesPerLine = 0;
    int xDpi = 0;
    int yDpi = 0;
};

bool ParseHeader(std::string_view bytes, PcxHeader& h) {
    if (bytes.size() < kHeaderSize || static_cast<std::uint8_t>(bytes[0]) != 0x0A ||
        static_cast<std::uint8_t>(bytes[1]) > 5 || static_cast<std::uint8_t>(bytes[2]) != 1)
        return false;
    h.bitsPerPlane = static_cast<std::uint8_t>(bytes[3]);
    h.width = static_cast<std::int64_t>(ReadLE16(bytes, 8)) - ReadLE16(bytes, 4) + 1;
    h.height = static_cast<std::int64_t>(ReadLE16(bytes, 10)) - ReadLE16(bytes, 6) + 1;
    h.xDpi = static_cast<int>(ReadLE16(bytes, 12));
    h.yDpi = static_cast<int>(ReadLE16(bytes, 14));
    h.planes = static_cast<std::uint8_t>(bytes[65]);
    h.bytesPerLine = ReadLE16(bytes, 66);
    const bool known = (h.bitsPerPlane == 1 && (h.planes == 1 || h.planes == 4)) ||
                       (h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3));
    return known && SizeAllowed(h.width, h.height) &&
           h.bytesPerLine * 8 >=
               static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.bitsPerPlane);
}

void PutRun(std::vector<std::uint8_t>& out, std::uint8_t value, std::size_t count) {
    while (count > 0) {
        const std::size_t run = std::min<std::size_t>(count, 63);
        if (run > 1 || value >= 0xC0)
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(value);
        count -= run;
    }
}

// Run-length encodes one plane's line; runs never cross lines, as old readers expect.
void EncodeLine(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& line) {
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i])
            ++run;
        PutRun(out, line[i], run);
        i += run;
    }
}

} // namespace

bool ReadPcxInfo(std::string_view bytes, RasterInfo& info) {
    PcxHeader h;
    if (!ParseHeader(bytes, h))
        return false;
    info.nWidth = static_cast<int>(h.width);
    info.nHeight = static_cast<int>(h.height);
    info.nXDpi = h.xDpi;
    info.nYDpi = h.yDpi;
    const int bits = h.bitsPerPlane * h.planes;
    info.nBpp = bits == 4 ? 8 : bits;
    return true;
}

bool DecodePcx(std::string_view bytes, Raster& out) {
    PcxHeader h;
    if (!ParseHeader(bytes, h))
        return false;
    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    const std::size_t lineBytes = h.bytesPerLine * static_cast<std::size_t>(h.planes);

    // The 256-colour palette of an 8-bit one-plane picture sits at the end of the file.
    std::string_view data = bytes.substr(kHeaderSize);
    std::vector<std::uint8_t> palette(256 * 3);
    if (h.bitsPerPlane == 8 && h.planes == 1) {
        const bool tail = bytes.size() >= kHeaderSize + kPaletteTail &&
                          static_cast<std::uint8_t>(bytes[bytes.size() - kPaletteTail]) == 0x0C;
        for (std::size_t i = 0; i < 256; ++i)
            for (std::size_t c = 0; c < 3; ++c)
                palette[i * 3 + c] =
                    tail ? static_cast<std::uint8_t>(bytes[bytes.size() - 768 + i * 3 + c])
                         : static_cast<std::uint8_t>(i);
        if (tail)
            data = data.substr(0, data.size() - kPaletteTail);
    } else if (h.bitsPerPlane == 1) {
        // 1-bit pictures use the 16-colour palette of the header; many writers leave it zero,
        // which means black and white.
        bool empty = true;
        for (std::size_t i = 0; i < 48; ++i) {
            palette[i] = static_cast<std::uint8_t>(bytes[16 + i]);
            empty = empty && palette[i] == 0;
        }
        if (empty && h.planes == 1)
            std::fill_n(palette.begin() + 3, 3, 255);
    }

    out.nWidth = static_cast<int>(width);
    out.nHeight = static_cast<int>(height);
    out.nBands = 3;
    out.palette.clear();
    out.pixels.assign(width * height * 3, 0);
    std::vector<std::uint8_t> line(lineBytes);
    std::size_t at = 0;
    for (std::size_t y = 0; y < height; ++y) {
        std::size_t filled = 0;
        while (filled < lineBytes) {
            if (at >= data.size())
                return false; // truncated
            auto b = static_cast<std::uint8_t>(data[at++]);
            std::size_t count = 1;
            if ((b & 0xC0) == 0xC0) {
                count = b & 0x3F;
                if (at >= data.size())
                    return false;
                b = static_cast<std::uint8_t>(data[at++]);
            }
            count = std::min(count, lineBytes - filled);
            std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), count, b);
            filled += count;
        }
        std::uint8_t* dst = out.pixels.data() + y * width * 3;
        for (std::size_t x = 0; x < width; ++x, dst += 3) {
            if (h.bitsPerPlane == 8 && h.planes == 3) {
                for (std::size_t c = 0; c < 3; ++c)
                    dst[c] = line[c * h.bytesPerLine + x];
                continue;
            }
            std::size_t index = 0;
            if (h.bitsPerPlane == 8) {
                index = line[x];
            } else {
                for (std::size_t p = 0; p < static_cast<std::size_t>(h.planes); ++p)
                    index |= static_cast<std::size_t>(
                                 (line[p * h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1)
                             << p;
            }
            std::copy_n(palette.data() + index * 3, 3, dst);
        }
    }
    return true;
}

std::vector<std::uint8_t> EncodePcx(const Raster& raster, int xDpi, int yDpi) {
    const bool indexed = raster.nBands == 1;
    const auto width = static_cast<std::size_t>(raster.nWidth);
    const std::size_t bytesPerLine = (width + 1) & ~std::size_t{1};
    const int planes = indexed ? 1 : 3;

    std::vector<std::uint8_t> out(kHeaderSize, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    };
    put16(8, static_cast<std::uint32_t>(raster.nWidth - 1));
    put16(10, static_cast<std::uint32_t>(raster.nHeight - 1));
    put16(12, static_cast<std::uint32_t>(std::clamp(xDpi, 0, 65535)));
    put16(14, static_cast<std::uint32_t>(std::clamp(yDpi, 0, 65535)));
    out[65] = static_cast<std::uint8_t>(planes);
    put16(66, static_cast<std::uint32_t>(bytesPerLine));
    put16(68, indexed ? 1 : 0);

    std::vector<std::uint8_t> line(bytesPerLine, 0);
    for (int y = 0; y < raster.nHeight; ++y) {
        const std::uint8_t* src =
            raster.pixels.data() + static_cast<std::size_t>(y) * raster.RowBytes();
        for (int p = 0; p < planes; ++p) {
            for (std::size_t x = 0; x < width; ++x)
                line[x] = indexed ? src[x] : src[x * 3 + static_cast<std::size_t>(p)];
            EncodeLine(out, line);
        }
    }
    if (indexed) {
        out.push_back(0x0C);
        std::vector<std::uint8_t> palette = raster.palette;
        palette.resize(768, 0);
        out.insert(out.end(), palette.begin(), palette.end());
    }
    return out;
}

} // namespace vtlimage
