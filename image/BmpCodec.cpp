#include "image/BmpCodec.h"

#include "image/base/ByteOrder.h"
#include "image/base/PixelLimit.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <string>

namespace vtlimage {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
// The most a file's headers, masks and palette take.
constexpr std::size_t kMostHeaderBytes = kFileHeaderSize + 124 + 16 + 256 * 4;
// Where run-length codes begin is noted every this many rows at least, and for at most this
// many points: a strip is decoded from the nearest point above it.
constexpr std::uint64_t kLeastRowsBetweenPoints = 16;
constexpr std::uint64_t kMostPoints = 1u << 16;
// Rows read at once while looking for alpha.
constexpr std::size_t kRowsAtOnce = 64;

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

// Where a walk through run-length codes stands: the next code, and the pixel it goes to
// (x may run past the row, where pixels are dropped; y past the picture, where it ends).
struct RleState {
    std::uint64_t at = 0;
    std::uint64_t x = 0;
    std::uint64_t y = 0;
};

enum class Walked { Ended, Stopped, Cut };

// The colour bits of a DIB, stored row after row (from the bottom up unless the DIB is
// top-down), decoded on demand into RGBA.
class CDibRows {
  public:
    CDibRows(std::shared_ptr<const CByteSource> bytes, std::uint64_t bitsAt, DibHeader header)
        : m_pBytes(std::move(bytes)), m_nBitsAt(bitsAt), m_h(std::move(header)),
          m_nWidth(static_cast<std::size_t>(m_h.width)),
          m_nHeight(static_cast<std::uint64_t>(m_h.height)), m_nStride(Stride(m_h.width, m_h.bpp)) {
    }

    // Whether the data covers the picture. Run-length codes are walked to their end here.
    bool Open() {
        if (m_nBitsAt > m_pBytes->Size())
            return false;
        const std::uint64_t data = m_pBytes->Size() - m_nBitsAt;
        if (!Compressed())
            return data / m_nStride >= m_nHeight;
        m_nEvery = std::max(kLeastRowsBetweenPoints, (m_nHeight + kMostPoints - 1) / kMostPoints);
        RleState state{m_nBitsAt, 0, 0};
        m_points.push_back(state);
        const auto moved = [this](const RleState& now) {
            while (m_points.size() * m_nEvery <= std::min(now.y, m_nHeight - 1))
                m_points.push_back(now);
        };
        return Walk(
                   state, std::numeric_limits<std::uint64_t>::max(), [](auto, auto, auto) {},
                   moved) == Walked::Ended;
    }

    // Stored rows first .. first + count - 1 into rgba, in stored order.
    bool Read(std::uint64_t first, std::size_t count, std::uint8_t* rgba) const {
        if (count == 0)
            return true;
        if (!Compressed()) {
            std::vector<std::uint8_t> bits(m_nStride * count);
            if (!m_pBytes->Read(m_nBitsAt + first * m_nStride, bits.size(), bits.data()))
                return false;
            for (std::size_t row = 0; row < count; ++row)
                Convert(bits.data() + row * m_nStride, nullptr, rgba + row * m_nWidth * 4);
            return true;
        }
        std::vector<std::uint8_t> indices(m_nWidth * count, 0);
        const std::uint64_t point = first / m_nEvery;
        // Past the last point the codes had ended: those rows are left at index 0.
        if (point < m_points.size()) {
            RleState state = m_points[point];
            const std::uint64_t end = first + count;
            const auto put = [&](std::uint64_t x, std::uint64_t y, std::uint8_t index) {
                if (y >= first && y < end && x < m_nWidth)
                    indices[(y - first) * m_nWidth + x] = index;
            };
            if (Walk(state, end, put, [](const RleState&) {}) == Walked::Cut)
                return false;
        }
        for (std::size_t row = 0; row < count; ++row)
            Convert(nullptr, indices.data() + row * m_nWidth, rgba + row * m_nWidth * 4);
        return true;
    }

    // Whether any pixel has an alpha other than 0 (a 32-bit picture whose alpha is all 0 was
    // written by a program that did not fill it: it is opaque).
    bool AnyAlpha() const {
        std::vector<std::uint8_t> rgba(m_nWidth * 4 * kRowsAtOnce);
        for (std::uint64_t row = 0; row < m_nHeight; row += kRowsAtOnce) {
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(kRowsAtOnce, m_nHeight - row));
            if (!Read(row, count, rgba.data()))
                return false;
            for (std::size_t i = 3; i < count * m_nWidth * 4; i += 4)
                if (rgba[i] != 0)
                    return true;
        }
        return false;
    }

    // Where the colour bits end: an icon's mask follows them.
    std::uint64_t End() const { return m_nBitsAt + m_nStride * m_nHeight; }
    const DibHeader& Header() const { return m_h; }

  private:
    bool Compressed() const { return m_h.compression == kRle4 || m_h.compression == kRle8; }

    // One row, from its stored bits or from palette indices, into RGBA.
    void Convert(const std::uint8_t* src, const std::uint8_t* indices, std::uint8_t* dst) const {
        for (std::size_t x = 0; x < m_nWidth; ++x, dst += 4) {
            dst[3] = 255;
            if (m_h.bpp <= 8) {
                std::size_t index;
                if (indices)
                    index = indices[x];
                else if (m_h.bpp == 8)
                    index = src[x];
                else if (m_h.bpp == 4)
                    index = (src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
                else
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                const std::uint8_t* colour = m_h.palette.data() + index * 3;
                dst[0] = colour[0];
                dst[1] = colour[1];
                dst[2] = colour[2];
            } else if (m_h.bpp == 24) {
                dst[0] = src[x * 3 + 2];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3];
            } else {
                const std::uint32_t v =
                    m_h.bpp == 16 ? static_cast<std::uint32_t>(src[x * 2] | src[x * 2 + 1] << 8)
                                  : static_cast<std::uint32_t>(src[x * 4]) |
                                        static_cast<std::uint32_t>(src[x * 4 + 1]) << 8 |
                                        static_cast<std::uint32_t>(src[x * 4 + 2]) << 16 |
                                        static_cast<std::uint32_t>(src[x * 4 + 3]) << 24;
                dst[0] = Channel(v, m_h.masks[0]);
                dst[1] = Channel(v, m_h.masks[1]);
                dst[2] = Channel(v, m_h.masks[2]);
                if (m_h.masks[3] != 0)
                    dst[3] = Channel(v, m_h.masks[3]);
            }
        }
    }

    // Walks run-length codes from `s`, calling put(x, y, index) for each pixel and moved(s)
    // after each move to a later row, until the end-of-picture code or the last row (Ended),
    // row stopRow (Stopped) or the end of the data (Cut).
    template <typename Put, typename Moved>
    Walked Walk(RleState& s, std::uint64_t stopRow, Put put, Moved moved) const {
        CByteCursor in(*m_pBytes, s.at, m_pBytes->Size());
        const bool eight = m_h.bpp == 8;
        const auto nibble = [](std::uint8_t b, unsigned i) {
            return static_cast<std::uint8_t>(i % 2 == 0 ? b >> 4 : b & 0x0F);
        };
        for (;;) {
            if (s.y >= m_nHeight)
                return Walked::Ended;
            if (s.y >= stopRow)
                return Walked::Stopped;
            std::uint8_t count = 0;
            std::uint8_t code = 0;
            if (!in.Next(count) || !in.Next(code))
                return Walked::Cut;
            s.at = in.Offset();
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i, ++s.x)
                    put(s.x, s.y, eight ? code : nibble(code, i));
            } else if (code == 0) { // end of line
                s.x = 0;
                ++s.y;
                moved(s);
            } else if (code == 1) { // end of picture: the rest stays at index 0
                return Walked::Ended;
            } else if (code == 2) { // move right and up
                std::uint8_t dx = 0;
                std::uint8_t dy = 0;
                if (!in.Next(dx) || !in.Next(dy))
                    return Walked::Cut;
                s.at = in.Offset();
                s.x += dx;
                s.y += dy;
                if (dy > 0)
                    moved(s);
            } else { // `code` pixels as they are, padded to a 16-bit boundary
                std::uint8_t b = 0;
                for (unsigned i = 0; i < code; ++i, ++s.x) {
                    if ((eight || i % 2 == 0) && !in.Next(b))
                        return Walked::Cut;
                    put(s.x, s.y, eight ? b : nibble(b, i));
                }
                const std::size_t bytes = eight ? code : (code + 1u) / 2;
                if (bytes % 2 == 1 && !in.Next(b))
                    return Walked::Cut;
                s.at = in.Offset();
            }
        }
    }

    std::shared_ptr<const CByteSource> m_pBytes;
    std::uint64_t m_nBitsAt;
    DibHeader m_h;
    std::size_t m_nWidth;
    std::uint64_t m_nHeight;
    std::size_t m_nStride;
    std::uint64_t m_nEvery = kLeastRowsBetweenPoints;
    std::vector<RleState> m_points; // where rows 0, m_nEvery, 2 m_nEvery, ... are reached
};

// A BMP's rows from the top down, as RGB or RGBA.
class CBmpStrips final : public CStripSource {
  public:
    CBmpStrips(std::unique_ptr<CDibRows> rows, int bands)
        : m_pRows(std::move(rows)), m_nBands(bands) {}

    bool Strip(int top, int rows, std::uint8_t* out, std::size_t stride) override {
        const DibHeader& h = m_pRows->Header();
        const auto width = static_cast<std::size_t>(h.width);
        const auto count = static_cast<std::size_t>(rows);
        const std::uint64_t first = h.topDown ? static_cast<std::uint64_t>(top)
                                              : static_cast<std::uint64_t>(h.height - top - rows);
        m_rgba.resize(width * 4 * count);
        if (!m_pRows->Read(first, count, m_rgba.data()))
            return false;
        for (std::size_t row = 0; row < count; ++row, out += stride) {
            const std::uint8_t* src =
                m_rgba.data() + (h.topDown ? row : count - 1 - row) * width * 4;
            if (m_nBands == 4) {
                std::copy_n(src, width * 4, out);
                continue;
            }
            for (std::size_t x = 0; x < width; ++x) {
                out[x * 3] = src[x * 4];
                out[x * 3 + 1] = src[x * 4 + 1];
                out[x * 3 + 2] = src[x * 4 + 2];
            }
        }
        return true;
    }

  private:
    std::unique_ptr<CDibRows> m_pRows;
    int m_nBands;
    std::vector<std::uint8_t> m_rgba;
};

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

bool WriteAt(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t at) {
    while (size > 0) {
        const ssize_t n = pwrite(fd, data, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        at += static_cast<std::uint64_t>(n);
    }
    return true;
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

std::unique_ptr<CStripSource> OpenBmp(std::shared_ptr<const CByteSource> file, int& bands) {
    std::string head(
        static_cast<std::size_t>(std::min<std::uint64_t>(kMostHeaderBytes, file->Size())), '\0');
    DibHeader h;
    if (!file->Read(0, head.size(), reinterpret_cast<std::uint8_t*>(head.data())) ||
        head.size() < kFileHeaderSize || head.substr(0, 2) != "BM" ||
        !ParseDibHeader(std::string_view(head).substr(kFileHeaderSize), false, true, h))
        return nullptr;
    const std::uint32_t offset = ReadLE32(head, 10);
    if (offset < kFileHeaderSize + BitsOffset(h) || offset >= file->Size())
        return nullptr;
    auto rows = std::make_unique<CDibRows>(std::move(file), offset, std::move(h));
    if (!rows->Open())
        return nullptr;
    bands = rows->Header().masks[3] != 0 && rows->AnyAlpha() ? 4 : 3;
    return std::make_unique<CBmpStrips>(std::move(rows), bands);
}

bool DecodeBmp(std::string_view bytes, Raster& out) {
    int bands = 0;
    RasterInfo info;
    if (!ReadBmpInfo(bytes, info))
        return false;
    const std::unique_ptr<CStripSource> strips =
        OpenBmp(std::make_shared<CMemoryBytes>(bytes), bands);
    if (!strips)
        return false;
    Raster raster{info.nWidth, info.nHeight, bands, {}, {}};
    raster.pixels.resize(raster.RowBytes() * static_cast<std::size_t>(info.nHeight));
    if (!strips->Strip(0, info.nHeight, raster.pixels.data(), raster.RowBytes()))
        return false;
    out = std::move(raster);
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
    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    const bool alphaBits = h.bpp == 32;
    CDibRows rows(std::make_shared<CMemoryBytes>(dib), bitsAt, std::move(h));
    if (!rows.Open())
        return false;
    // Stored from the bottom up.
    std::vector<std::uint8_t> stored(width * height * 4);
    if (!rows.Read(0, height, stored.data()))
        return false;
    Raster raster{static_cast<int>(width), static_cast<int>(height), 4, {}, {}};
    raster.pixels.resize(stored.size());
    for (std::size_t row = 0; row < height; ++row)
        std::copy_n(stored.data() + row * width * 4, width * 4,
                    raster.pixels.data() + (height - 1 - row) * width * 4);
    bool alphaGiven = false;
    for (std::size_t i = 3; alphaBits && !alphaGiven && i < raster.pixels.size(); i += 4)
        alphaGiven = raster.pixels[i] != 0;
    if (!alphaGiven) {
        // The 1-bit mask follows the colour bits; an icon without it is opaque.
        const std::string_view mask =
            rows.End() < dib.size() ? dib.substr(static_cast<std::size_t>(rows.End())) : "";
        const std::size_t stride = Stride(static_cast<std::int64_t>(width), 1);
        const bool hasMask = mask.size() / stride >= height;
        for (std::size_t row = 0; row < height; ++row) {
            std::uint8_t* dst = raster.pixels.data() + (height - 1 - row) * width * 4;
            for (std::size_t x = 0; x < width; ++x) {
                const bool clear =
                    hasMask &&
                    ((static_cast<std::uint8_t>(mask[row * stride + x / 8]) >> (7 - x % 8)) & 1);
                dst[x * 4 + 3] = clear ? 0 : 255;
            }
        }
    }
    out = std::move(raster);
    return true;
}

CBmpWriter::CBmpWriter(int fd, int width, int height, const std::vector<std::uint8_t>* palette,
                       int xDpi, int yDpi)
    : m_fd(fd), m_nWidth(width), m_nHeight(height), m_pPalette(palette), m_nXDpi(xDpi),
      m_nYDpi(yDpi) {}

bool CBmpWriter::Begin() {
    const int bpp = m_pPalette ? 8 : 24;
    const std::size_t colours = m_pPalette ? m_pPalette->size() / 3 : 0;
    m_nStride = Stride(m_nWidth, bpp);
    m_nBitsAt = kFileHeaderSize + 40 + colours * 4;
    const std::uint64_t imageSize =
        std::uint64_t{m_nStride} * static_cast<std::uint64_t>(m_nHeight);
    if (m_nBitsAt + imageSize > std::numeric_limits<std::uint32_t>::max())
        return false;

    std::vector<std::uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    AppendLE32(head, static_cast<std::uint32_t>(m_nBitsAt + imageSize));
    AppendLE32(head, 0);
    AppendLE32(head, static_cast<std::uint32_t>(m_nBitsAt));
    AppendLE32(head, 40);
    AppendLE32(head, static_cast<std::uint32_t>(m_nWidth));
    AppendLE32(head, static_cast<std::uint32_t>(m_nHeight));
    AppendLE16(head, 1);
    AppendLE16(head, static_cast<std::uint32_t>(bpp));
    AppendLE32(head, kRgb);
    AppendLE32(head, static_cast<std::uint32_t>(imageSize));
    AppendLE32(head, DpiToPpm(m_nXDpi));
    AppendLE32(head, DpiToPpm(m_nYDpi));
    AppendLE32(head, static_cast<std::uint32_t>(colours));
    AppendLE32(head, 0);
    for (std::size_t i = 0; i < colours; ++i) {
        head.push_back((*m_pPalette)[i * 3 + 2]);
        head.push_back((*m_pPalette)[i * 3 + 1]);
        head.push_back((*m_pPalette)[i * 3]);
        head.push_back(0);
    }
    m_line.assign(m_nStride, 0);
    return WriteAt(m_fd, head.data(), head.size(), 0);
}

bool CBmpWriter::Row(const std::uint8_t* row) {
    if (m_nRow >= m_nHeight)
        return false;
    const auto width = static_cast<std::size_t>(m_nWidth);
    if (m_pPalette) {
        std::copy_n(row, width, m_line.begin());
    } else {
        for (std::size_t x = 0; x < width; ++x) {
            m_line[x * 3] = row[x * 3 + 2];
            m_line[x * 3 + 1] = row[x * 3 + 1];
            m_line[x * 3 + 2] = row[x * 3];
        }
    }
    const std::uint64_t at =
        m_nBitsAt + std::uint64_t{m_nStride} * static_cast<std::uint64_t>(m_nHeight - 1 - m_nRow);
    ++m_nRow;
    return WriteAt(m_fd, m_line.data(), m_line.size(), at);
}

} // namespace vtlimage
