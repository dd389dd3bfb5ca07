#include "image/fastjpeg/ScanSplit.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace vtlimage {

namespace {

struct Component {
    int nId = 0;
    bool bOneByOne = false; // sampled 1 x 1
};

struct Frame {
    std::vector<Component> components;
    int nWidth = 0;
    int nHeight = 0;
};

// A DC Huffman table. Its symbols are the numbers of extra bits that follow their codes.
class CDcTable {
  public:
    bool IsDefined() const { return m_bDefined; }
    // Codes by length, each length's codes counted by counts[length - 1]; false for counts
    // that do not make a prefix code.
    bool Define(const std::uint8_t* counts, const std::uint8_t* symbols) {
        m_quick.fill(0);
        m_longer.clear();
        std::uint32_t code = 0;
        for (int length = 1; length <= 16; ++length, code <<= 1) {
            for (int n = 0; n < counts[length - 1]; ++n, ++code, ++symbols) {
                if (code >= (1u << length))
                    return false;
                const auto entry = static_cast<std::uint16_t>(length << 8 | *symbols);
                if (length > kQuickBits)
                    m_longer.push_back({length, code, entry});
                else
                    std::fill_n(m_quick.begin() + (code << (kQuickBits - length)),
                                1 << (kQuickBits - length), entry);
            }
        }
        return m_bDefined = true;
    }
    // length << 8 | symbol of the code that the next 16 bits start with; 0 for none.
    std::uint16_t Find(std::uint32_t next) const {
        if (const std::uint16_t entry = m_quick[next >> (16 - kQuickBits)])
            return entry;
        for (const Code& c : m_longer)
            if (next >> (16 - c.nLength) == c.nCode)
                return c.nEntry;
        return 0;
    }

  private:
    // Codes up to this long are found by one look-up; longer ones are rare.
    static constexpr int kQuickBits = 9;
    struct Code {
        int nLength;
        std::uint32_t nCode;
        std::uint16_t nEntry;
    };
    std::array<std::uint16_t, 1 << kQuickBits> m_quick{};
    std::vector<Code> m_longer;
    bool m_bDefined = false;
};

// Reads one DHT segment's DC tables into tables; false for a segment that does not parse.
bool ReadDcTables(const std::string& file, std::size_t from, std::size_t end,
                  std::array<CDcTable, 4>& tables) {
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(file[at]); };
    while (from < end) {
        if (from + 17 > end)
            return false;
        const int kind = byte(from) >> 4;
        const int id = byte(from) & 0x0F;
        std::size_t symbols = from + 17;
        std::size_t count = 0;
        for (int length = 1; length <= 16; ++length)
            count += byte(from + length);
        if (id > 3 || symbols + count > end)
            return false;
        if (kind == 0 && !tables[static_cast<std::size_t>(id)].Define(
                             reinterpret_cast<const std::uint8_t*>(file.data() + from + 1),
                             reinterpret_cast<const std::uint8_t*>(file.data() + symbols)))
            return false;
        from += 17 + count;
    }
    return true;
}

// Entropy-coded bits, with the zero stuffed after each 0xFF taken out first; past the end of
// the data they read as ones, the padding.
class CBitReader {
  public:
    CBitReader(const std::string& file, std::size_t from, std::size_t end) {
        m_bytes.reserve(end - from);
        for (std::size_t at = from; at < end; ++at) {
            const auto byte = static_cast<std::uint8_t>(file[at]);
            m_bytes.push_back(byte);
            if (byte == 0xFF && (at + 1 >= end || file[++at] != 0))
                m_bFailed = true; // a marker inside the data: a damaged scan
        }
        m_nLeft = static_cast<long>(m_bytes.size()) * 8;
    }
    // The next n bits (1 <= n <= 32) without taking them.
    std::uint32_t Peek(int n) {
        for (; m_nBuffered <= 56; m_nBuffered += 8) {
            const std::uint8_t next = m_nNext < m_bytes.size() ? m_bytes[m_nNext++] : 0xFF;
            m_buffer |= std::uint64_t{next} << (56 - m_nBuffered);
        }
        return static_cast<std::uint32_t>(m_buffer >> (64 - n));
    }
    // Takes the next n bits, which must lie within the data.
    std::uint32_t Take(int n) {
        const std::uint32_t value = Peek(n);
        m_buffer <<= n;
        m_nBuffered -= n;
        m_nLeft -= n;
        m_bFailed = m_bFailed || m_nLeft < 0;
        return value;
    }
    bool Failed() const { return m_bFailed; }

  private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_nNext = 0;    // the next byte to buffer
    std::uint64_t m_buffer = 0; // the next bits, from the top
    int m_nBuffered = 0;
    long m_nLeft = 0; // bits of data not yet taken
    bool m_bFailed = false;
};

// Entropy-coded bits written out with the zero stuffed after each 0xFF, the last byte padded
// with ones.
class CBitWriter {
  public:
    explicit CBitWriter(std::string& out) : m_out(out) {}
    void Put(std::uint32_t bits, int n) {
        m_acc = m_acc << n | bits;
        for (m_nBits += n; m_nBits >= 8; m_nBits -= 8) {
            const auto byte = static_cast<char>(m_acc >> (m_nBits - 8));
            m_out += byte;
            if (byte == '\xFF')
                m_out += '\0';
        }
    }
    void Finish() {
        if (m_nBits > 0)
            Put((1u << (8 - m_nBits)) - 1, 8 - m_nBits);
    }

  private:
    std::string& m_out;
    std::uint64_t m_acc = 0;
    int m_nBits = 0;
};

// A scan header over the given components (each its id and table byte) of the original's.
std::string ScanHeader(const std::string& header, const std::vector<std::size_t>& components) {
    const std::size_t count = components.size();
    std::string out = "\xFF\xDA";
    out += static_cast<char>(0);
    out += static_cast<char>(6 + 2 * count);
    out += static_cast<char>(count);
    for (const std::size_t c : components)
        out.append(header, 5 + 2 * c, 2);
    out.append(header, header.size() - 3, 3); // Ss, Se, Ah and Al
    return out;
}

// Splits a DC scan of every component sampled 1 x 1, whose blocks come one of each component
// in turn, by its components: each block's code and extra bits (a first scan) or its one bit
// (a refinement) go to the stream of its component.
bool SplitDcScan(const std::string& file, std::size_t at, std::size_t data, std::size_t end,
                 const Frame& frame, const std::array<CDcTable, 4>& tables, SplitStreams& out) {
    const std::string header = file.substr(at, data - at);
    const auto count = static_cast<std::size_t>(static_cast<std::uint8_t>(header[4]));
    const bool refining = (static_cast<std::uint8_t>(header.back()) >> 4) != 0;
    if (count > 4)
        return false;
    std::string lumaBits;
    std::string chromaBits;
    lumaBits.reserve(end - data);
    chromaBits.reserve(end - data);
    CBitWriter lumaWriter(lumaBits);
    CBitWriter chromaWriter(chromaBits);
    std::array<const CDcTable*, 4> tablesOf{};
    std::array<CBitWriter*, 4> writers{};
    std::vector<std::size_t> lumaOnes;
    std::vector<std::size_t> chromaOnes;
    for (std::size_t c = 0; c < count; ++c) {
        const bool luma =
            static_cast<std::uint8_t>(header[5 + 2 * c]) == frame.components.front().nId;
        (luma ? lumaOnes : chromaOnes).push_back(c);
        writers[c] = luma ? &lumaWriter : &chromaWriter;
        const std::size_t table = static_cast<std::uint8_t>(header[6 + 2 * c]) >> 4;
        if (!refining && (table > 3 || !tables[table].IsDefined()))
            return false;
        tablesOf[c] = &tables[table & 3];
    }
    CBitReader reader(file, data, end);
    const long blocks = static_cast<long>((frame.nWidth + 7) / 8) * ((frame.nHeight + 7) / 8);
    for (long block = 0; block < blocks && !reader.Failed(); ++block) {
        for (std::size_t c = 0; c < count; ++c) {
            int length = 1;
            if (!refining) {
                const std::uint16_t entry = tablesOf[c]->Find(reader.Peek(16));
                if (entry == 0)
                    return false;
                length = (entry >> 8) + (entry & 0xFF);
                if (length > 27)
                    return false;
            }
            writers[c]->Put(reader.Take(length), length);
        }
    }
    if (reader.Failed())
        return false;
    lumaWriter.Finish();
    chromaWriter.Finish();
    out.luma += ScanHeader(header, lumaOnes) + lumaBits;
    out.chroma += ScanHeader(header, chromaOnes) + chromaBits;
    return true;
}

} // namespace

bool SplitScans(const std::string& file, bool onlyWithDcSplit, SplitStreams& out) {
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(file[at]); };
    out.luma = out.chroma = file.substr(0, 2);
    out.luma.reserve(file.size()); // no copy as they grow: each holds most of the file
    out.chroma.reserve(file.size());
    Frame frame;
    std::array<CDcTable, 4> tables;
    bool restarts = false;
    bool splitOne = false; // a scan was split
    out.bDcSplit = true;
    std::vector<std::bitset<64>> complete; // coefficients whose last bit a scan carries
    std::size_t at = 2;
    while (at + 4 <= file.size()) {
        if (byte(at) != 0xFF)
            return false;
        const std::uint8_t marker = byte(at + 1);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD9)
            break;
        const std::size_t length = static_cast<std::size_t>(byte(at + 2)) << 8 | byte(at + 3);
        std::size_t end = at + 2 + length;
        if (length < 2 || end > file.size())
            return false;
        if (marker == 0xC2 && length >= 8) {
            frame.nHeight = byte(at + 5) << 8 | byte(at + 6);
            frame.nWidth = byte(at + 7) << 8 | byte(at + 8);
            for (std::size_t c = 0; c < byte(at + 9) && at + 12 + 3 * c < end; ++c)
                frame.components.push_back({byte(at + 10 + 3 * c), byte(at + 11 + 3 * c) == 0x11});
        }
        if (marker == 0xC4 && !ReadDcTables(file, at + 4, end, tables))
            return false;
        if (marker == 0xDD && length >= 4)
            restarts = (byte(at + 4) | byte(at + 5)) != 0;
        if (marker != 0xDA) {
            out.luma.append(file, at, end - at);
            out.chroma.append(file, at, end - at);
            at = end;
            continue;
        }
        const std::size_t count = byte(at + 4);
        const std::size_t bands = at + 5 + 2 * count; // Ss, Se, Ah and Al
        if (length < 6 + 2 * count || frame.components.empty())
            return false;
        const std::size_t data = end;
        bool toLuma = false;
        bool toChroma = false;
        complete.resize(frame.components.size());
        for (std::size_t c = 0; c < count; ++c) {
            const auto id =
                std::find_if(frame.components.begin(), frame.components.end(),
                             [&](const Component& k) { return k.nId == byte(at + 5 + 2 * c); });
            const bool first = id == frame.components.begin();
            toLuma = toLuma || first;
            toChroma = toChroma || !first;
            if (id != frame.components.end() && (byte(bands + 2) & 0x0F) == 0)
                for (int k = byte(bands); k <= std::min<int>(byte(bands + 1), 63); ++k)
                    complete[static_cast<std::size_t>(id - frame.components.begin())].set(k);
        }
        // The coded data runs to the next marker that is neither a stuffed 0xFF nor a restart.
        for (end = file.find('\xFF', end); end != std::string::npos && end + 1 < file.size();
             end = file.find('\xFF', end + 1))
            if (byte(end + 1) != 0 && (byte(end + 1) & 0xF8) != 0xD0)
                break;
        end = std::min(end, file.size());
        const bool oneByOne = std::all_of(frame.components.begin(), frame.components.end(),
                                          [](const Component& c) { return c.bOneByOne; });
        const bool dc = byte(bands) == 0 && byte(bands + 1) == 0;
        if (toLuma && toChroma && !(dc && oneByOne && !restarts)) {
            // Both streams carry this scan whole, so every DC scan before it must have gone to
            // both as well: a refinement needs the first scan of the same components.
            if (splitOne || onlyWithDcSplit)
                return false;
            out.bDcSplit = false;
        }
        if (toLuma && toChroma && out.bDcSplit) {
            if (!SplitDcScan(file, at, data, end, frame, tables, out))
                return false;
            splitOne = true;
        } else {
            if (toLuma)
                out.luma.append(file, at, end - at);
            if (toChroma)
                out.chroma.append(file, at, end - at);
        }
        at = end;
    }
    out.luma += "\xFF\xD9";
    out.chroma += "\xFF\xD9";
    return frame.components.size() == 3 && complete.size() == 3 &&
           std::all_of(complete.begin(), complete.end(), [](const auto& c) { return c.all(); });
}

} // namespace vtlimage
