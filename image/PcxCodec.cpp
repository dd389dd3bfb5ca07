#include "image/PcxCodec.h"

#include "image/base/ByteOrder.h"
#include "image/base/PixelLimit.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>

namespace vtlimage {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteTail = 769; // marker 0x0C and 256 RGB triplets
// A run of up to 63 bytes takes two bytes of the file.
constexpr std::uint64_t kMostBytesOfTwo = 63;
constexpr std::size_t kFlushAt = 1u << 16;

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

// A PCX's lines from the top down, as RGB. Lines come one after another, so a strip is taken
// where the last one ended (or, asked for an earlier one, from the first line again).
class CPcxStrips final : public CStripSource {
  public:
    CPcxStrips(std::shared_ptr<const CByteSource> file, const PcxHeader& h,
               std::vector<std::uint8_t> palette, std::uint64_t dataEnd)
        : m_pFile(std::move(file)), m_h(h), m_palette(std::move(palette)), m_nDataEnd(dataEnd),
          m_line(h.bytesPerLine * static_cast<std::size_t>(h.planes)) {}

    bool Strip(int top, int rows, std::uint8_t* out, std::size_t stride) override {
        if (top < m_nNextLine || !m_pCursor) {
            m_pCursor = std::make_unique<CByteCursor>(*m_pFile, kHeaderSize, m_nDataEnd);
            m_nNextLine = 0;
        }
        for (; m_nNextLine < top; ++m_nNextLine)
            if (!NextLine())
                return false;
        for (int row = 0; row < rows; ++row, out += stride, ++m_nNextLine) {
            if (!NextLine())
                return false;
            ToRgb(out);
        }
        return true;
    }

  private:
    bool NextLine() {
        const std::size_t lineBytes = m_line.size();
        std::size_t filled = 0;
        while (filled < lineBytes) {
            std::uint8_t b = 0;
            if (!m_pCursor->Next(b))
                return false; // truncated
            std::size_t count = 1;
            if ((b & 0xC0) == 0xC0) {
                count = b & 0x3F;
                if (!m_pCursor->Next(b))
                    return false;
            }
            count = std::min(count, lineBytes - filled);
            std::fill_n(m_line.begin() + static_cast<std::ptrdiff_t>(filled), count, b);
            filled += count;
        }
        return true;
    }

    void ToRgb(std::uint8_t* dst) const {
        const auto width = static_cast<std::size_t>(m_h.width);
        for (std::size_t x = 0; x < width; ++x, dst += 3) {
            if (m_h.bitsPerPlane == 8 && m_h.planes == 3) {
                for (std::size_t c = 0; c < 3; ++c)
                    dst[c] = m_line[c * m_h.bytesPerLine + x];
                continue;
            }
            std::size_t index = 0;
            if (m_h.bitsPerPlane == 8) {
                index = m_line[x];
            } else {
                for (std::size_t p = 0; p < static_cast<std::size_t>(m_h.planes); ++p)
                    index |= static_cast<std::size_t>(
                                 (m_line[p * m_h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1)
                             << p;
            }
            const std::uint8_t* colour = m_palette.data() + index * 3;
            dst[0] = colour[0];
            dst[1] = colour[1];
            dst[2] = colour[2];
        }
    }

    std::shared_ptr<const CByteSource> m_pFile;
    const PcxHeader m_h;
    const std::vector<std::uint8_t> m_palette;
    const std::uint64_t m_nDataEnd;
    std::vector<std::uint8_t> m_line;
    std::unique_ptr<CByteCursor> m_pCursor;
    int m_nNextLine = 0;
};

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

std::unique_ptr<CStripSource> OpenPcx(std::shared_ptr<const CByteSource> file) {
    std::string header(kHeaderSize, '\0');
    PcxHeader h;
    if (!file->Read(0, kHeaderSize, reinterpret_cast<std::uint8_t*>(header.data())) ||
        !ParseHeader(header, h))
        return nullptr;

    // The 256-colour palette of an 8-bit one-plane picture sits at the end of the file.
    std::uint64_t dataEnd = file->Size();
    std::vector<std::uint8_t> palette(256 * 3);
    if (h.bitsPerPlane == 8 && h.planes == 1) {
        std::vector<std::uint8_t> tail(kPaletteTail);
        const bool found = dataEnd >= kHeaderSize + kPaletteTail &&
                           file->Read(dataEnd - kPaletteTail, kPaletteTail, tail.data()) &&
                           tail[0] == 0x0C;
        for (std::size_t i = 0; i < palette.size(); ++i)
            palette[i] = found ? tail[1 + i] : static_cast<std::uint8_t>(i / 3);
        if (found)
            dataEnd -= kPaletteTail;
    } else if (h.bitsPerPlane == 1) {
        // 1-bit pictures use the 16-colour palette of the header; many writers leave it zero,
        // which means black and white.
        bool empty = true;
        for (std::size_t i = 0; i < 48; ++i) {
            palette[i] = static_cast<std::uint8_t>(header[16 + i]);
            empty = empty && palette[i] == 0;
        }
        if (empty && h.planes == 1)
            std::fill_n(palette.begin() + 3, 3, 255);
    }

    const std::uint64_t lines = h.bytesPerLine * static_cast<std::uint64_t>(h.planes) *
                                static_cast<std::uint64_t>(h.height);
    const std::uint64_t data = dataEnd > kHeaderSize ? dataEnd - kHeaderSize : 0;
    if (data * kMostBytesOfTwo < 2 * lines)
        return nullptr;
    return std::make_unique<CPcxStrips>(std::move(file), h, std::move(palette), dataEnd);
}

bool DecodePcx(std::string_view bytes, Raster& out) {
    RasterInfo info;
    if (!ReadPcxInfo(bytes, info))
        return false;
    const std::unique_ptr<CStripSource> strips = OpenPcx(std::make_shared<CMemoryBytes>(bytes));
    if (!strips)
        return false;
    Raster raster{info.nWidth, info.nHeight, 3, {}, {}};
    raster.pixels.resize(raster.RowBytes() * static_cast<std::size_t>(info.nHeight));
    if (!strips->Strip(0, info.nHeight, raster.pixels.data(), raster.RowBytes()))
        return false;
    out = std::move(raster);
    return true;
}

CPcxWriter::CPcxWriter(int fd, int width, int height, const std::vector<std::uint8_t>* palette,
                       int xDpi, int yDpi)
    : m_fd(fd), m_nWidth(width), m_nHeight(height), m_pPalette(palette), m_nXDpi(xDpi),
      m_nYDpi(yDpi) {}

bool CPcxWriter::Begin() {
    const std::size_t bytesPerLine = (static_cast<std::size_t>(m_nWidth) + 1) & ~std::size_t{1};
    if (m_nWidth > 65535 || m_nHeight > 65535 || bytesPerLine > 65535)
        return false; // the header holds 16-bit sizes
    m_out.assign(kHeaderSize, 0);
    m_out[0] = 0x0A;
    m_out[1] = 5;
    m_out[2] = 1;
    m_out[3] = 8;
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        m_out[at] = static_cast<std::uint8_t>(v & 0xFF);
        m_out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    };
    put16(8, static_cast<std::uint32_t>(m_nWidth - 1));
    put16(10, static_cast<std::uint32_t>(m_nHeight - 1));
    put16(12, static_cast<std::uint32_t>(std::clamp(m_nXDpi, 0, 65535)));
    put16(14, static_cast<std::uint32_t>(std::clamp(m_nYDpi, 0, 65535)));
    m_out[65] = static_cast<std::uint8_t>(m_pPalette ? 1 : 3);
    put16(66, static_cast<std::uint32_t>(bytesPerLine));
    put16(68, m_pPalette ? 1 : 0);
    m_line.assign(bytesPerLine, 0);
    return true;
}

bool CPcxWriter::Row(const std::uint8_t* row) {
    const auto width = static_cast<std::size_t>(m_nWidth);
    const int planes = m_pPalette ? 1 : 3;
    for (int p = 0; p < planes; ++p) {
        for (std::size_t x = 0; x < width; ++x)
            m_line[x] = m_pPalette ? row[x] : row[x * 3 + static_cast<std::size_t>(p)];
        EncodeLine(m_out, m_line);
    }
    return m_out.size() < kFlushAt || Flush();
}

bool CPcxWriter::Finish() {
    if (m_pPalette) {
        m_out.push_back(0x0C);
        std::vector<std::uint8_t> palette = *m_pPalette;
        palette.resize(768, 0);
        m_out.insert(m_out.end(), palette.begin(), palette.end());
    }
    return Flush();
}

bool CPcxWriter::Flush() {
    const std::uint8_t* data = m_out.data();
    std::size_t size = m_out.size();
    while (size > 0) {
        const ssize_t n = write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    m_out.clear();
    return true;
}

} // namespace vtlimage
