#include "image/fastjpeg/DcScanReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/base/MemoryBudget.h"
#include "image/base/PixelLimit.h"
#include "image/fastjpeg/YccToRgb.h"

namespace vtlimage {

namespace {

// Marker codes (the byte after 0xFF).
enum : int {
    kSof2 = 0xC2,
    kDht = 0xC4,
    kRst0 = 0xD0,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDri = 0xDD,
    kApp0 = 0xE0,
    kApp15 = 0xEF,
    kCom = 0xFE,
    kEndOfFile = 0x100, // not a marker: where the file ended
};

// The file's bytes, read ahead in blocks.
class CInput {
  public:
    explicit CInput(std::FILE* file) : m_file(file) {}

    // The next byte, or -1 at the end of the file.
    int Byte() {
        if (m_nAt == m_nEnd) {
            m_nEnd = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
            m_nAt = 0;
            if (m_nEnd == 0)
                return -1;
        }
        return m_buffer[m_nAt++];
    }
    // A big-endian 16-bit number, or -1.
    int Word() {
        const int high = Byte();
        const int low = Byte();
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    }

  private:
    std::FILE* m_file;
    std::array<std::uint8_t, 64 * 1024> m_buffer{};
    std::size_t m_nAt = 0;
    std::size_t m_nEnd = 0;
};

// A DC Huffman table: codes of up to 8 bits by one look-up, longer ones by length.
struct HuffTable {
    bool bDefined = false;
    std::array<std::uint8_t, 256> lookLength{}; // 0: the code is longer than 8 bits
    std::array<std::uint8_t, 256> lookSymbol{};
    std::array<std::int32_t, 17> maxCode{};   // the largest code of each length; -1: none
    std::array<std::int32_t, 17> valOffset{}; // a code of that length minus this: its symbol
    std::array<std::uint8_t, 256> symbols{};

    // counts[n]: how many codes of n + 1 bits; false for a table no code can be made of.
    bool Make(const std::array<int, 16>& counts, const std::vector<std::uint8_t>& values) {
        lookLength.fill(0);
        int code = 0;
        std::size_t k = 0;
        for (int length = 1; length <= 16; ++length) {
            const int count = counts[length - 1];
            // Codes of a length must fit in it, short of the one of all 1 bits (as libjpeg has
            // it); checked before the look-up table is filled with them.
            if (code + count >= 1 << length && count > 0)
                return false;
            valOffset[length] = static_cast<std::int32_t>(k) - code;
            for (int i = 0; i < count; ++i, ++code, ++k) {
                symbols[k] = values[k];
                if (length <= 8) {
                    const int first = code << (8 - length);
                    for (int fill = 0; fill < 1 << (8 - length); ++fill) {
                        lookLength[static_cast<std::size_t>(first + fill)] =
                            static_cast<std::uint8_t>(length);
                        lookSymbol[static_cast<std::size_t>(first + fill)] = values[k];
                    }
                }
            }
            maxCode[length] = count > 0 ? code - 1 : -1;
            code <<= 1;
        }
        return bDefined = true;
    }
};

// The entropy-coded bits of a scan, MSB first, with stuffed zero bytes taken out. Reading past
// the data (into a marker or the end of the file) is noted; libjpeg would go on with zeros and
// a warning, and such a file is left to it.
class CBits {
  public:
    explicit CBits(CInput& input) : m_input(input) {}

    int Bits(int n) {
        if (m_nBits < 32)
            Fill();
        const int value = static_cast<int>(m_acc >> (64 - n));
        Skip(n);
        return value;
    }
    // The symbol of the next code, or -1 for a code the table does not have.
    int Decode(const HuffTable& table) {
        if (m_nBits < 32)
            Fill();
        const auto look = static_cast<std::size_t>(m_acc >> 56);
        if (const int length = table.lookLength[look]) {
            Skip(length);
            return table.lookSymbol[look];
        }
        for (int length = 9; length <= 16; ++length) {
            const auto code = static_cast<std::int32_t>(m_acc >> (64 - length));
            if (code <= table.maxCode[length]) {
                Skip(length);
                return table.symbols[static_cast<std::size_t>(table.valOffset[length] + code)];
            }
        }
        return -1;
    }
    bool Overran() const { return m_nReal < 0; }

    // Ends the data of a restart interval or of the scan: only the padding of its last byte may
    // be left before the marker that follows. The marker, or -1 when other bytes come first.
    int End() {
        Fill();
        const int marker = m_nReal >= 0 && m_nReal < 8 ? m_nMarker : -1;
        m_acc = 0;
        m_nBits = m_nReal = 0;
        m_nMarker = -1;
        return marker;
    }

  private:
    void Fill() {
        while (m_nBits <= 56) {
            int byte = m_nMarker < 0 ? m_input.Byte() : 0;
            if (m_nMarker < 0 && byte < 0) {
                m_nMarker = kEndOfFile;
                byte = 0;
            } else if (m_nMarker < 0 && byte == 0xFF) {
                int next = m_input.Byte();
                while (next == 0xFF)
                    next = m_input.Byte();
                if (next != 0)
                    m_nMarker = next < 0 ? kEndOfFile : next, byte = 0;
            }
            if (m_nMarker < 0)
                m_nReal += 8;
            m_acc |= static_cast<std::uint64_t>(byte) << (56 - m_nBits);
            m_nBits += 8;
        }
    }
    void Skip(int n) {
        m_acc <<= n;
        m_nBits -= n;
        m_nReal -= n;
    }

    CInput& m_input;
    std::uint64_t m_acc = 0;
    int m_nBits = 0;    // in m_acc
    int m_nReal = 0;    // of those, bits of the scan's data rather than zeros after its end
    int m_nMarker = -1; // the marker that ended the data, once met
};

struct Component {
    int nId = 0;
    int nH = 1; // sampling factors
    int nV = 1;
    int nQuantTable = 0;
    int nWidthInBlocks = 0; // of the component alone, as a scan of it alone runs
    int nHeightInBlocks = 0;
    int nStride = 0; // blocks in a row of whole MCUs
    int nDcBit = -1; // the lowest DC bit known so far; -1 before the first DC scan
    int nQuantDc = 0;
    int nLastDc = 0;
    std::vector<std::int16_t> dc; // as libjpeg keeps coefficients (JCOEF)
};

// libjpeg's sample for a block whose only coefficient is its DC: its 1 x 1 (and, for a
// DC alone, its 2 x 2) inverse DCT, with the range limit's wrap for values far out of range.
std::uint8_t DcSample(int dequantised) {
    const int v = ((dequantised + 4) >> 3) & 1023;
    return static_cast<std::uint8_t>(v < 128 ? v + 128 : v < 512 ? 255 : v < 896 ? 0 : v - 896);
}

class CDcReader {
  public:
    CDcReader(std::FILE* file, bool grey) : m_input(file), m_bGrey(grey) {}

    bool Read(Raster& raster) {
        if (m_input.Byte() != 0xFF || m_input.Byte() != kSoi)
            return false;
        int marker = NextMarker();
        while (marker >= 0) {
            switch (marker) {
            case kSof2:
                marker = Frame() ? NextMarker() : -1;
                break;
            case kDht:
                marker = HuffmanTables() ? NextMarker() : -1;
                break;
            case kDqt:
                marker = QuantTables() ? NextMarker() : -1;
                break;
            case kDri:
                marker = RestartInterval() ? NextMarker() : -1;
                break;
            case kSos:
                marker = Scan();
                if (marker >= 0 && EveryDcArrived())
                    return Draw(raster);
                break;
            default:
                marker = (marker >= kApp0 && marker <= kApp15) || marker == kCom
                             ? (Skip() ? NextMarker() : -1)
                             : -1; // another kind of frame, or anything libjpeg would warn of
            }
        }
        return false;
    }

  private:
    int NextMarker() {
        if (m_input.Byte() != 0xFF)
            return -1;
        int marker = m_input.Byte();
        while (marker == 0xFF)
            marker = m_input.Byte();
        return marker;
    }
    bool Skip() {
        const int length = m_input.Word();
        for (int i = 2; i < length; ++i)
            if (m_input.Byte() < 0)
                return false;
        return length >= 2;
    }

    bool Frame() {
        if (!m_components.empty())
            return false;
        const int length = m_input.Word();
        const int precision = m_input.Byte();
        m_nHeight = m_input.Word();
        m_nWidth = m_input.Word();
        const int count = m_input.Byte();
        if (precision != 8 || m_nHeight <= 0 || m_nWidth <= 0 || count != (m_bGrey ? 1 : 3) ||
            length != 8 + 3 * count || !SizeAllowed(m_nWidth, m_nHeight))
            return false;
        m_components.resize(static_cast<std::size_t>(count));
        for (Component& c : m_components) {
            c.nId = m_input.Byte();
            const int factors = m_input.Byte();
            c.nH = factors >> 4;
            c.nV = factors & 15;
            c.nQuantTable = m_input.Byte();
            if (c.nQuantTable < 0 || c.nQuantTable > 3)
                return false;
        }
        // Luma at 1 or 2 each way, chroma at 1: libjpeg then draws every chroma block at
        // the eighth as its DC's value repeated over the luma blocks it covers.
        const Component& luma = m_components[0];
        if (luma.nH < 1 || luma.nH > 2 || luma.nV < 1 || luma.nV > 2)
            return false;
        for (std::size_t i = 1; i < m_components.size(); ++i)
            if (m_components[i].nH != 1 || m_components[i].nV != 1)
                return false;
        m_nMaxH = m_bGrey ? 1 : luma.nH;
        m_nMaxV = m_bGrey ? 1 : luma.nV;
        const int mcuColumns = (m_nWidth + 8 * m_nMaxH - 1) / (8 * m_nMaxH);
        const int mcuRows = (m_nHeight + 8 * m_nMaxV - 1) / (8 * m_nMaxV);
        std::size_t bytes = 0;
        for (Component& c : m_components) {
            const int h = m_bGrey ? 1 : c.nH;
            const int v = m_bGrey ? 1 : c.nV;
            c.nWidthInBlocks = (m_nWidth * h + 8 * m_nMaxH - 1) / (8 * m_nMaxH);
            c.nHeightInBlocks = (m_nHeight * v + 8 * m_nMaxV - 1) / (8 * m_nMaxV);
            c.nStride = mcuColumns * h;
            bytes += static_cast<std::size_t>(c.nStride) * mcuRows * v * sizeof(std::int16_t);
        }
        m_nMcuColumns = mcuColumns;
        m_nMcuRows = mcuRows;
        // The picture made from them is a third of their size again, and is held too.
        m_grant = CMemoryBudget::Library().Take(bytes + bytes / 2);
        if (!m_grant)
            return false;
        for (Component& c : m_components)
            c.dc.assign(static_cast<std::size_t>(c.nStride) * mcuRows * (m_bGrey ? 1 : c.nV), 0);
        return true;
    }

    bool RestartInterval() {
        if (m_input.Word() != 4)
            return false;
        m_nRestart = m_input.Word();
        return m_nRestart >= 0;
    }

    bool HuffmanTables() {
        int left = m_input.Word() - 2;
        while (left > 0) {
            const int kind = m_input.Byte();
            std::array<int, 16> counts{};
            int total = 0;
            for (int& count : counts)
                total += count = m_input.Byte();
            if (kind < 0 || total < 0 || total > 256 || (kind & 15) > 3 || (kind >> 4) > 1)
                return false;
            std::vector<std::uint8_t> values(static_cast<std::size_t>(total));
            for (std::uint8_t& value : values) {
                const int byte = m_input.Byte();
                if (byte < 0)
                    return false;
                value = static_cast<std::uint8_t>(byte);
            }
            // AC tables are not needed here; the DC ones by their number.
            if ((kind >> 4) == 0 &&
                !m_dcTables[static_cast<std::size_t>(kind)].Make(counts, values))
                return false;
            left -= 17 + total;
        }
        return left == 0;
    }

    bool QuantTables() {
        int left = m_input.Word() - 2;
        while (left > 0) {
            const int kind = m_input.Byte();
            if (kind < 0 || (kind & 15) > 3 || (kind >> 4) > 1)
                return false;
            const bool wide = (kind >> 4) == 1;
            const int dc = wide ? m_input.Word() : m_input.Byte();
            for (int i = 1; i < 64; ++i)
                if ((wide ? m_input.Word() : m_input.Byte()) < 0)
                    return false;
            // libjpeg multiplies with 16-bit factors, which a factor this large would wrap.
            if (dc < 0 || dc > 32767)
                return false;
            m_quantDc[static_cast<std::size_t>(kind & 15)] = dc;
            left -= 1 + (wide ? 128 : 64);
        }
        return left == 0;
    }

    // Reads one scan; the marker after it, or -1 for a scan that leaves the file to libjpeg.
    int Scan() {
        const int length = m_input.Word();
        const int count = m_input.Byte();
        if (m_components.empty() || count < 1 || count > static_cast<int>(m_components.size()) ||
            length != 6 + 2 * count)
            return -1;
        std::vector<Component*> inScan;
        std::vector<const HuffTable*> tables;
        for (int i = 0; i < count; ++i) {
            const int id = m_input.Byte();
            const int selectors = m_input.Byte();
            Component* found = nullptr;
            for (Component& c : m_components)
                if (c.nId == id)
                    found = &c;
            // A component twice in one scan, or a table that cannot be: libjpeg fails there.
            if (!found || selectors < 0 || (selectors >> 4) > 3 ||
                std::find(inScan.begin(), inScan.end(), found) != inScan.end())
                return -1;
            inScan.push_back(found);
            tables.push_back(&m_dcTables[static_cast<std::size_t>(selectors >> 4)]);
        }
        const int start = m_input.Byte();
        const int end = m_input.Byte();
        const int approximation = m_input.Byte();
        if (approximation < 0)
            return -1;
        const int high = approximation >> 4;
        const int low = approximation & 15;
        if (start != 0)
            return SkipAcScan(inScan, start, end, low);
        if (end != 0 || low > 13 || (high != 0 && low != high - 1))
            return -1;
        for (std::size_t i = 0; i < inScan.size(); ++i) {
            Component& c = *inScan[i];
            // A first DC scan for a DC that came before, a refinement of one that did not, or
            // one out of turn: libjpeg warns and decodes on in its own way.
            if (high == 0 ? c.nDcBit >= 0 || !tables[i]->bDefined : c.nDcBit != high)
                return -1;
            if (c.nDcBit < 0)
                c.nQuantDc = m_quantDc[static_cast<std::size_t>(c.nQuantTable)];
            if (c.nQuantDc < 0)
                return -1;
        }
        const int marker = DcScan(inScan, tables, high == 0, low);
        for (Component* c : inScan)
            c->nDcBit = low;
        return marker;
    }

    // An AC scan before every DC has arrived, which libjpeg holds; it changes the draw only
    // where a component is drawn through a 2 x 2 inverse DCT (chroma at half size both ways).
    int SkipAcScan(const std::vector<Component*>& inScan, int start, int end, int low) {
        if (inScan.size() != 1 || end < start || end > 63 || low > 13 || inScan[0]->nDcBit < 0 ||
            (inScan[0] != &m_components[0] && m_nMaxH == 2 && m_nMaxV == 2))
            return -1;
        int byte = m_input.Byte();
        for (;;) {
            if (byte < 0)
                return -1;
            if (byte != 0xFF) {
                byte = m_input.Byte();
                continue;
            }
            int next = m_input.Byte();
            while (next == 0xFF)
                next = m_input.Byte();
            if (next != 0 && (next < kRst0 || next > kRst0 + 7))
                return next;
            byte = m_input.Byte();
        }
    }

    int DcScan(const std::vector<Component*>& inScan, const std::vector<const HuffTable*>& tables,
               bool first, int low) {
        CBits bits(m_input);
        const bool interleaved = inScan.size() > 1;
        const int columns = interleaved ? m_nMcuColumns : inScan[0]->nWidthInBlocks;
        const int rows = interleaved ? m_nMcuRows : inScan[0]->nHeightInBlocks;
        const long mcus = static_cast<long>(columns) * rows;
        int restartsToGo = m_nRestart;
        int nextRestart = 0;
        for (Component* c : inScan)
            c->nLastDc = 0;
        for (long mcu = 0; mcu < mcus; ++mcu) {
            if (m_nRestart > 0 && restartsToGo == 0) {
                if (bits.End() != kRst0 + nextRestart)
                    return -1;
                nextRestart = (nextRestart + 1) & 7;
                restartsToGo = m_nRestart;
                for (Component* c : inScan)
                    c->nLastDc = 0;
            }
            --restartsToGo;
            const int mx = static_cast<int>(mcu % columns);
            const int my = static_cast<int>(mcu / columns);
            for (std::size_t i = 0; i < inScan.size(); ++i) {
                Component& c = *inScan[i];
                const int h = interleaved ? c.nH : 1;
                const int v = interleaved ? c.nV : 1;
                for (int by = 0; by < v; ++by)
                    for (int bx = 0; bx < h; ++bx) {
                        std::int16_t& coefficient =
                            c.dc[static_cast<std::size_t>(my * v + by) * c.nStride +
                                 static_cast<std::size_t>(mx * h + bx)];
                        if (!first) {
                            if (bits.Bits(1))
                                coefficient = static_cast<std::int16_t>(coefficient | 1 << low);
                            continue;
                        }
                        int diff = 0;
                        const int size = bits.Decode(*tables[i]);
                        if (size < 0 || size > 11)
                            return -1;
                        if (size > 0) {
                            diff = bits.Bits(size);
                            if (diff < 1 << (size - 1))
                                diff += (-1 << size) + 1;
                        }
                        c.nLastDc += diff;
                        coefficient = static_cast<std::int16_t>(c.nLastDc * (1 << low));
                    }
            }
            if (bits.Overran())
                return -1;
        }
        const int marker = bits.End();
        return marker == kEndOfFile ? -1 : marker;
    }

    bool EveryDcArrived() const {
        for (const Component& c : m_components)
            if (c.nDcBit < 0)
                return false;
        return true;
    }

    // A component's samples, one a block; false where a dequantised DC is beyond the 16 bits
    // libjpeg's vector code computes the smaller inverse DCTs in.
    bool Samples(const Component& c, std::vector<std::uint8_t>& out) const {
        out.resize(c.dc.size());
        for (std::size_t i = 0; i < c.dc.size(); ++i) {
            const int dequantised = c.dc[i] * c.nQuantDc;
            if (dequantised < -32768 || dequantised > 32767)
                return false;
            out[i] = DcSample(dequantised);
        }
        return true;
    }

    bool Draw(Raster& raster) const {
        std::vector<std::uint8_t> planes[3];
        for (std::size_t i = 0; i < m_components.size(); ++i)
            if (!Samples(m_components[i], planes[i]))
                return false;
        const int width = (m_nWidth + 7) / 8;
        const int height = (m_nHeight + 7) / 8;
        Raster out;
        out.nWidth = width;
        out.nHeight = height;
        out.nBands = 3;
        out.pixels.resize(out.RowBytes() * static_cast<std::size_t>(height));
        std::vector<std::uint8_t> ycc(static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* luma =
                planes[0].data() + static_cast<std::size_t>(y) * m_components[0].nStride;
            std::uint8_t* rgb = out.pixels.data() + out.RowBytes() * static_cast<std::size_t>(y);
            if (m_bGrey) {
                for (int x = 0; x < width; ++x)
                    rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = luma[x];
                continue;
            }
            const std::size_t chromaRow =
                static_cast<std::size_t>(y / m_nMaxV) * m_components[1].nStride;
            for (int x = 0; x < width; ++x) {
                const std::size_t at = chromaRow + static_cast<std::size_t>(x / m_nMaxH);
                ycc[3 * x + 1] = planes[1][at];
                ycc[3 * x + 2] = planes[2][at];
            }
            YccToRgb(luma, ycc.data(), rgb, width);
        }
        raster = std::move(out);
        return true;
    }

    CInput m_input;
    const bool m_bGrey;
    std::vector<Component> m_components;
    std::array<HuffTable, 4> m_dcTables{};
    std::array<int, 4> m_quantDc{-1, -1, -1, -1};
    int m_nRestart = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nMaxH = 1;
    int m_nMaxV = 1;
    int m_nMcuColumns = 0;
    int m_nMcuRows = 0;
    std::optional<CMemoryBudget::CGrant> m_grant;
};

} // namespace

bool ReadDcScans(std::FILE* file, bool grey, Raster& raster) {
    return CDcReader(file, grey).Read(raster);
}

} // namespace vtlimage
