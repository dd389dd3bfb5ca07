#include "image/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>

namespace vtlimage {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t xppm = 0;
    std::uint32_t yppm = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::vector<std::uint8_t> palette;     // RGB triplets
    std::size_t paletteBytes = 0;          // as stored in the file
};

// withPalette false reads the header alone, which is all that a size query has at hand.
bool ParseDibHeader(std::string_view dib, bool icon, bool withPalette, DibHeader& h) {
    h.headerSize = ReadLE32(dib, 0);
    if (h.headerSize == 12) {
        if (dib.size() < 12)
            return false;
        h.width = ReadLE16(dib, 4);
        h.height = ReadLE16(dib, 6);
        h.bpp = static_cast<int>(ReadLE16(dib, 10));
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        if (dib.size() < h.headerSize)
            return false;
        h.width = static_cast<std::int32_t>(ReadLE32(dib, 4));
        const auto height = static_cast<std::int32_t>(ReadLE32(dib, 8));
        h.topDown = height < 0;
        h.height = std::llabs(static_cast<long long>(height));
        h.bpp = static_cast<int>(ReadLE16(dib, 14));
        h.compression = ReadLE32(dib, 16);
        h.xppm = ReadLE32(dib, 24);
        h.yppm = ReadLE32(dib, 28);
    } else {
        return false;
    }
    if (icon) {
        // The height of an icon's DIB covers the colour bits and the mask.
        h.height /= 2;
        if (h.topDown)
            return false;
    }
    if (!SizeAllowed(h.width, h.height))
        return false;

    std::size_t paletteAt = h.headerSize;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        if (h.bpp != 16 && h.bpp != 32)
            return false;
        const int count = h.compression == kAlphaBitFields ? 4 : 3;
        const std::size_t masksAt = 40;
        if (h.headerSize == 40)
            paletteAt += static_cast<std::size_t>(count) * 4;
        if (dib.size() < masksAt + static_cast<std::size_t>(count) * 4)
            return false;
        for (int i = 0; i < count; ++i)
            h.masks[i] = ReadLE32(dib, masksAt + static_cast<std::size_t>(i) * 4);
        if (h.headerSize >= 56)
            h.masks[3] = ReadLE32(dib, 52);
    } else if (h.compression == kRgb) {
        if (h.bpp == 16) {
            h.masks[0] = 0x7C00;
            h.masks[1] = 0x03E0;
            h.masks[2] = 0x001F;
        } else if (h.bpp == 32) {
            h.masks[0] = 0xFF0000;
            h.masks[1] = 0xFF00;
            h.masks[2] = 0xFF;
            h.masks[3] = icon ? 0xFF000000u : 0;
        } else if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) {
            return false;
        }
    } else if (!(h.compression == kRle8 && h.bpp == 8) && !(h.compression == kRle4 && h.bpp == 4)) {
        return false;
    }

    if (h.bpp <= 8) {
        const std::size_t entry = h.headerSize == 12 ? 3 : 4;
        std::size_t count = h.headerSize == 12 ? 0 : ReadLE32(dib, 32);
        if (count == 0 || count > (1u << h.bpp))
            count = std::size_t{1} << h.bpp;
        h.paletteBytes = count * entry;
        if (!withPalette)
            return true;
        if (dib.size() < paletteAt + h.paletteBytes)
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = paletteAt + i * entry;
            h.palette.push_back(static_cast<std::uint8_t>(dib[at + 2]));
            h.palette.push_back(static_cast<std::uint8_t>(dib[at + 1]));
            h.palette.push_back(static_cast<std::uint8_t>(dib[at]));
        }
        h.palette.resize(std::size_t{3} << h.bpp, 0); // indices past the palette read black
    }
    return true;
}

// Where the colour bits of a DIB begin when nothing else says: after header, masks and palette.
std::size_t BitsOffset(const DibHeader& h) {
    std::size_t end = h.headerSize;
    if (h.headerSize == 40 && h.compression == kBitFields)
        end += 12;
    if (h.headerSize == 40 && h.compression == kAlphaBitFields)
        end += 16;
    return end + h.paletteBytes;
}

std::size_t Stride(std::int64_t width, int bpp) {
    return static_cast<std::size_t>((width * bpp + 31) / 32) * 4;
}

std::uint8_t Channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t max = mask >> shift;
    const std::uint32_t v = (value & mask) >> shift;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

// Expands RLE4/RLE8 data into one palette index per pixel, bottom-up as stored.
bool ExpandRle(std::string_view data, const DibHeader& h, std::vector<std::uint8_t>& indices) {
    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    indices.assign(width * height, 0);
    std::size_t x = 0;
    std::size_t y = 0;
    std::size_t at = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < height)
            indices[y * width + x] = index;
        ++x;
    };
    while (at + 2 <= data.size()) {
        const auto count = static_cast<std::uint8_t>(data[at]);
        const auto code = static_cast<std::uint8_t>(data[at + 1]);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(h.bpp == 8 ? code
                               : static_cast<std::uint8_t>(i % 2 == 0 ? code >> 4 : code & 0x0F));
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (at + 2 > data.size())
                return false;
            x += static_cast<std::uint8_t>(data[at]);
            y += static_cast<std::uint8_t>(data[at + 1]);
            at += 2;
        } else {
            const std::size_t bytes = h.bpp == 8 ? code : (code + 1u) / 2;
            if (at + bytes > data.size())
                return false;
            for (unsigned i = 0; i < code; ++i) {
                const auto b = static_cast<std::uint8_t>(data[at + (h.bpp == 8 ? i : i / 2)]);
                put(h.bpp == 8 ? b : static_cast<std::uint8_t>(i % 2 == 0 ? b >> 4 : b & 0x0F));
            }
            at += (bytes + 1) & ~std::size_t{1};
        }
        if (y >= height)
            return true;
    }
    return false; // the data ended without its end-of-picture code: truncated
}

// Decodes the colour bits at `pixels` into RGBA (alpha 255 unless an alpha mask gives one).
bool DecodeBits(std::string_view pixels, const DibHeader& h, Raster& out, std::size_t& used) {
    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    std::vector<std::uint8_t> rle;
    const bool compressed = h.compression == kRle4 || h.compression == kRle8;
    const std::size_t stride = Stride(h.width, h.bpp);
    if (compressed) {
        if (!ExpandRle(pixels, h, rle))
            return false;
        used = pixels.size();
    } else {
        // Checked before the picture's memory is taken: a short file claiming a large picture
        // costs nothing.
        if (pixels.size() / stride < height)
            return false;
        used = stride * height;
    }
    out.nWidth = static_cast<int>(h.width);
    out.nHeight = static_cast<int>(h.height);
    out.nBands = 4;
    out.palette.clear();
    out.pixels.assign(width * height * 4, 255);
    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t outRow = h.topDown ? row : height - 1 - row;
        std::uint8_t* dst = out.pixels.data() + outRow * width * 4;
        const auto* src = reinterpret_cast<const std::uint8_t*>(pixels.data()) + row * stride;
        for (std::size_t x = 0; x < width; ++x, dst += 4) {
            if (h.bpp <= 8) {
                std::size_t index;
                if (compressed)
                    index = rle[row * width + x];
                else if (h.bpp == 8)
                    index = src[x];
                else if (h.bpp == 4)
                    index = (src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
                else
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                std::copy_n(h.palette.data() + index * 3, 3, dst);
            } else if (h.bpp == 24) {
                dst[0] = src[x * 3 + 2];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3];
            } else {
                const std::uint32_t v =
                    h.bpp == 16 ? static_cast<std::uint32_t>(src[x * 2] | src[x * 2 + 1] << 8)
                                : static_cast<std::uint32_t>(src[x * 4]) |
                                      static_cast<std::uint32_t>(src[x * 4 + 1]) << 8 |
                                      static_cast<std::uint32_t>(src[x * 4 + 2]) << 16 |
                                      static_cast<std::uint32_t>(src[x * 4 + 3]) << 24;
                dst[0] = Channel(v, h.masks[0]);
                dst[1] = Channel(v, h.masks[1]);
                dst[2] = Channel(v, h.masks[2]);
                if (h.masks[3] != 0)
                    dst[3] = Channel(v, h.masks[3]);
            }
        }
    }
    return true;
}

bool AllAlphaZero(const Raster& raster) {
    for (std::size_t i = 3; i < raster.pixels.size(); i += 4)
        if (raster.pixels[i] != 0)
            return false;
    return true;
}

void DropAlpha(Raster& raster) {
    std::size_t to = 0;
    for (std::size_t from = 0; from < raster.pixels.size(); from += 4) {
        raster.pixels[to++] = raster.pixels[from];
        raster.pixels[to++] = raster.pixels[from + 1];
        raster.pixels[to++] = raster.pixels[from + 2];
    }
    raster.pixels.resize(to);
    raster.nBands = 3;
}

int InfoBpp(const DibHeader& h) {
    if (h.bpp <= 8)
        return h.bpp == 1 ? 1 : 8;
    return h.masks[3] != 0 ? 32 : 24;
}

void FillInfo(const DibHeader& h, RasterInfo& info) {
    info.nWidth = static_cast<int>(h.width);
    info.nHeight = static_cast<int>(h.height);
    info.nXDpi = PpmToDpi(h.xppm);
    info.nYDpi = PpmToDpi(h.yppm);
    info.nBpp = InfoBpp(h);
}

} // namespace

bool ReadBmpInfo(std::string_view bytes, RasterInfo& info) {
    if (bytes.size() < kFileHeaderSize || bytes.substr(0, 2) != "BM")
        return false;
    DibHeader h;
    if (!ParseDibHeader(bytes.substr(kFileHeaderSize), false, false, h))
        return false;
    FillInfo(h, info);
    return true;
}

bool DecodeBmp(std::string_view bytes, Raster& out) {
    DibHeader h;
    if (bytes.size() < kFileHeaderSize || bytes.substr(0, 2) != "BM" ||
        !ParseDibHeader(bytes.substr(kFileHeaderSize), false, true, h))
        return false;
    const std::uint32_t offset = ReadLE32(bytes, 10);
    if (offset < kFileHeaderSize + BitsOffset(h) || offset >= bytes.size())
        return false;
    std::size_t used = 0;
    if (!DecodeBits(bytes.substr(offset), h, out, used))
        return false;
    if (h.masks[3] == 0 || AllAlphaZero(out))
        DropAlpha(out);
    return true;
}

bool ReadIconDibInfo(std::string_view dib, RasterInfo& info) {
    DibHeader h;
    if (!ParseDibHeader(dib, true, true, h))
        return false;
    FillInfo(h, info);
    info.nXDpi = info.nYDpi = 0; // icons carry no resolution
    return true;
}

bool DecodeIconDib(std::string_view dib, Raster& out) {
    DibHeader h;
    if (!ParseDibHeader(dib, true, true, h) || h.compression == kRle4 || h.compression == kRle8)
        return false;
    const std::size_t bitsAt = BitsOffset(h);
    if (bitsAt > dib.size())
        return false;
    std::size_t used = 0;
    if (!DecodeBits(dib.substr(bitsAt), h, out, used))
        return false;
    const bool alphaGiven = h.bpp == 32 && !AllAlphaZero(out);
    if (alphaGiven)
        return true;
    // The 1-bit mask follows the colour bits; an icon without it is opaque.
    const std::string_view mask = dib.substr(bitsAt + used);
    const std::size_t stride = Stride(h.width, 1);
    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    const bool hasMask = mask.size() / stride >= height;
    for (std::size_t row = 0; row < height; ++row) {
        std::uint8_t* dst = out.pixels.data() + (height - 1 - row) * width * 4;
        for (std::size_t x = 0; x < width; ++x) {
            const bool clear =
                hasMask &&
                ((static_cast<std::uint8_t>(mask[row * stride + x / 8]) >> (7 - x % 8)) & 1);
            dst[x * 4 + 3] = clear ? 0 : 255;
        }
    }
    return true;
}

std::vector<std::uint8_t> EncodeBmp(const Raster& raster, int xDpi, int yDpi) {
    const bool indexed = raster.nBands == 1;
    const int bpp = indexed ? 8 : 24;
    const std::size_t colours = indexed ? raster.palette.size() / 3 : 0;
    const std::size_t stride = Stride(raster.nWidth, bpp);
    const std::size_t bitsAt = kFileHeaderSize + 40 + colours * 4;
    const std::size_t imageSize = stride * static_cast<std::size_t>(raster.nHeight);

    std::vector<std::uint8_t> out;
    out.reserve(bitsAt + imageSize);
    out.push_back('B');
    out.push_back('M');
    AppendLE32(out, static_cast<std::uint32_t>(bitsAt + imageSize));
    AppendLE32(out, 0);
    AppendLE32(out, static_cast<std::uint32_t>(bitsAt));
    AppendLE32(out, 40);
    AppendLE32(out, static_cast<std::uint32_t>(raster.nWidth));
    AppendLE32(out, static_cast<std::uint32_t>(raster.nHeight));
    AppendLE16(out, 1);
    AppendLE16(out, static_cast<std::uint32_t>(bpp));
    AppendLE32(out, kRgb);
    AppendLE32(out, static_cast<std::uint32_t>(imageSize));
    AppendLE32(out, DpiToPpm(xDpi));
    AppendLE32(out, DpiToPpm(yDpi));
    AppendLE32(out, static_cast<std::uint32_t>(colours));
    AppendLE32(out, 0);
    for (std::size_t i = 0; i < colours; ++i) {
        out.push_back(raster.palette[i * 3 + 2]);
        out.push_back(raster.palette[i * 3 + 1]);
        out.push_back(raster.palette[i * 3]);
        out.push_back(0);
    }
    for (int row = raster.nHeight - 1; row >= 0; --row) {
        const std::uint8_t* src =
            raster.pixels.data() + static_cast<std::size_t>(row) * raster.RowBytes();
        const std::size_t start = out.size();
        if (indexed) {
            out.insert(out.end(), src, src + raster.nWidth);
        } else {
            for (int x = 0; x < raster.nWidth; ++x) {
                out.push_back(src[x * 3 + 2]);
                out.push_back(src[x * 3 + 1]);
                out.push_back(src[x * 3]);
            }
        }
        out.resize(start + stride, 0);
    }
    return out;
}

} // namespace vtlimage
