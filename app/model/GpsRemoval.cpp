#include "app/model/GpsRemoval.h"

#include "app/model/PngChunk.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::uint16_t kGpsPointerTag = 0x8825;
constexpr std::size_t kEntrySize = 12;

// Reads and writes the numbers of a TIFF structure in its own byte order, refusing to leave it.
class CTiffBytes {
  public:
    CTiffBytes(char* data, std::size_t size)
        : m_data(reinterpret_cast<unsigned char*>(data)), m_size(size) {}

    bool Open() {
        if (m_size < 8)
            return false;
        if (m_data[0] == 'I' && m_data[1] == 'I')
            m_bBig = false;
        else if (m_data[0] == 'M' && m_data[1] == 'M')
            m_bBig = true;
        else
            return false;
        return U16(2) == 42;
    }
    bool Has(std::size_t at, std::size_t bytes) const {
        return at <= m_size && bytes <= m_size - at;
    }
    std::uint32_t U16(std::size_t at) const {
        return m_bBig ? (m_data[at] << 8) | m_data[at + 1] : m_data[at] | (m_data[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const {
        return m_bBig ? (U16(at) << 16) | U16(at + 2) : U16(at) | (U16(at + 2) << 16);
    }
    void SetU16(std::size_t at, std::uint32_t value) {
        m_data[at + (m_bBig ? 0 : 1)] = static_cast<unsigned char>(value >> 8);
        m_data[at + (m_bBig ? 1 : 0)] = static_cast<unsigned char>(value);
    }
    void Zero(std::size_t at, std::size_t bytes) { std::memset(m_data + at, 0, bytes); }
    void Move(std::size_t to, std::size_t from, std::size_t bytes) {
        std::memmove(m_data + to, m_data + from, bytes);
    }

  private:
    unsigned char* m_data;
    std::size_t m_size;
    bool m_bBig = false;
};

// The bytes of one value of each TIFF field type (1 BYTE … 13 IFD); 0 for a type unknown.
std::size_t TypeSize(std::uint32_t type) {
    static constexpr std::size_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

std::uint32_t BigEndian32(const char* at) {
    const auto* b = reinterpret_cast<const unsigned char*>(at);
    return (std::uint32_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

bool RemoveFromExifBlock(char* data, std::size_t size) {
    constexpr std::string_view kExifHeader("Exif\0\0", 6);
    if (size >= kExifHeader.size() && std::string_view(data, kExifHeader.size()) == kExifHeader)
        return RemoveGpsFromTiff(data + kExifHeader.size(), size - kExifHeader.size());
    return RemoveGpsFromTiff(data, size);
}

// JPEG: the APP1 segments before the picture data.
bool RemoveFromJpeg(std::string& bytes) {
    bool removed = false;
    for (std::size_t at = 2;
         at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF;) {
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xDA || marker == 0xD9) // the picture data starts, or the file ends
            break;
        const std::size_t length = (static_cast<unsigned char>(bytes[at + 2]) << 8) |
                                   static_cast<unsigned char>(bytes[at + 3]);
        if (length < 2 || at + 2 + length > bytes.size())
            break;
        if (marker == 0xE1)
            removed |= RemoveFromExifBlock(&bytes[at + 4], length - 2);
        at += 2 + length;
    }
    return removed;
}

// PNG: the eXIf chunk; a changed chunk gets its checksum anew.
bool RemoveFromPng(std::string& bytes) {
    bool removed = false;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::size_t length = BigEndian32(&bytes[at]);
        if (length > bytes.size() - at - 12)
            break;
        const std::string_view type(&bytes[at + 4], 4);
        char* data = &bytes[at + 8];
        bool changed = false;
        if (type == "eXIf")
            changed = RemoveFromExifBlock(data, length);
        else if (type == "iTXt" || type == "tEXt")
            changed = RemoveGpsFromXmp(data, length);
        if (changed) {
            const std::uint32_t crc = PngChunkCrc(std::string_view(&bytes[at + 4], length + 4));
            for (int i = 0; i < 4; ++i)
                bytes[at + 8 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
            removed = true;
        }
        at += 12 + length;
    }
    return removed;
}

// WebP: the EXIF chunk of the RIFF container.
bool RemoveFromWebp(std::string& bytes) {
    bool removed = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const auto* b = reinterpret_cast<const unsigned char*>(&bytes[at + 4]);
        const std::size_t length = b[0] | (b[1] << 8) | (b[2] << 16) | (std::size_t(b[3]) << 24);
        if (length > bytes.size() - at - 8)
            break;
        if (std::string_view(&bytes[at], 4) == "EXIF")
            removed |= RemoveFromExifBlock(&bytes[at + 8], length);
        at += 8 + length + (length & 1);
    }
    return removed;
}

// Anything else (the HEIF family): each "Exif" block that a TIFF structure follows.
bool RemoveFromExifBlocks(std::string& bytes) {
    bool removed = false;
    const std::string_view header("Exif\0\0", 6);
    for (std::size_t at = bytes.find(header); at != std::string::npos;
         at = bytes.find(header, at + 1))
        removed |= RemoveGpsFromTiff(&bytes[at + header.size()], bytes.size() - at - header.size());
    return removed;
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// The namespace prefixes that `packet` binds to the XMP schema of EXIF data.
std::vector<std::string> ExifPrefixes(std::string_view packet) {
    constexpr std::string_view kExifSchema = "http://ns.adobe.com/exif/1.0/";
    std::vector<std::string> prefixes;
    for (std::size_t at = packet.find("xmlns:"); at != std::string_view::npos;
         at = packet.find("xmlns:", at + 1)) {
        std::size_t name = at + 6, after = name;
        while (after < packet.size() && IsNameChar(packet[after]))
            ++after;
        std::size_t value = packet.find_first_not_of(" \t\r\n=", after);
        if (value != std::string_view::npos && (packet[value] == '"' || packet[value] == '\'') &&
            packet.substr(value + 1, kExifSchema.size()) == kExifSchema &&
            packet.substr(value + 1 + kExifSchema.size(), 1) == packet.substr(value, 1))
            prefixes.emplace_back(packet.substr(name, after - name));
    }
    return prefixes;
}

// The spans of `packet` that hold a GPS property of `prefix`: an attribute with its quoted value,
// or an element from its start tag to its end tag. A property whose end is not found is left.
std::vector<std::pair<std::size_t, std::size_t>> GpsProperties(std::string_view packet,
                                                               const std::string& prefix) {
    const std::string property = prefix + ":GPS";
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t at = packet.find(property); at != std::string_view::npos && at > 0;
         at = packet.find(property, at + 1)) {
        std::size_t after = at + property.size();
        while (after < packet.size() && IsNameChar(packet[after]))
            ++after;
        const std::string_view name = packet.substr(at, after - at);
        std::size_t to = std::string_view::npos;
        if (packet[at - 1] == '<') {
            const std::string endTag = "</" + std::string(name) + ">";
            const std::size_t close = packet.find('>', after);
            if (close != std::string_view::npos && packet[close - 1] == '/')
                to = close + 1;
            else if (close != std::string_view::npos &&
                     (to = packet.find(endTag, close)) != std::string_view::npos)
                to += endTag.size();
            --at;
        } else if (std::isspace(static_cast<unsigned char>(packet[at - 1]))) {
            const std::size_t quote = packet.find_first_not_of(" \t\r\n=", after);
            if (quote != std::string_view::npos &&
                (packet[quote] == '"' || packet[quote] == '\'') &&
                packet.substr(after, quote - after).find('=') != std::string_view::npos)
                to = packet.find(packet[quote], quote + 1);
            to = to == std::string_view::npos ? to : to + 1;
        }
        if (to == std::string_view::npos || to > packet.size())
            continue;
        spans.emplace_back(at, to);
        at = to - 1;
    }
    return spans;
}

} // namespace

bool RemoveGpsFromTiff(char* data, std::size_t size) {
    CTiffBytes tiff(data, size);
    if (!tiff.Open())
        return false;
    const std::size_t first = tiff.U32(4);
    if (!tiff.Has(first, 2))
        return false;
    const std::size_t count = tiff.U16(first);
    const std::size_t entries = first + 2;
    if (!tiff.Has(entries, count * kEntrySize + 4))
        return false;
    std::size_t pointer = count;
    for (std::size_t i = 0; i < count && pointer == count; ++i)
        if (tiff.U16(entries + i * kEntrySize) == kGpsPointerTag)
            pointer = i;
    if (pointer == count)
        return false;

    // The GPS directory: every value kept outside it, then the directory itself.
    const std::size_t gps = tiff.U32(entries + pointer * kEntrySize + 8);
    if (tiff.Has(gps, 2)) {
        const std::size_t gpsCount = tiff.U16(gps);
        for (std::size_t i = 0; i < gpsCount && tiff.Has(gps + 2 + i * kEntrySize, kEntrySize);
             ++i) {
            const std::size_t entry = gps + 2 + i * kEntrySize;
            const std::size_t bytes = TypeSize(tiff.U16(entry + 2)) * tiff.U32(entry + 4);
            if (bytes > 4 && tiff.Has(tiff.U32(entry + 8), bytes))
                tiff.Zero(tiff.U32(entry + 8), bytes);
        }
        if (tiff.Has(gps, 2 + gpsCount * kEntrySize + 4))
            tiff.Zero(gps, 2 + gpsCount * kEntrySize + 4);
    }
    // The pointer leaves the first directory; the entries after it and the link to the next
    // directory move up, so the entries stay in the order of their tags.
    const std::size_t slot = entries + pointer * kEntrySize;
    const std::size_t after = (count - pointer - 1) * kEntrySize + 4;
    tiff.Move(slot, slot + kEntrySize, after);
    tiff.Zero(slot + after, kEntrySize);
    tiff.SetU16(first, static_cast<std::uint32_t>(count - 1));
    return true;
}

bool RemoveGpsFromXmp(char* text, std::size_t size) {
    const std::string_view all(text, size);
    bool removed = false;
    for (std::size_t start = all.find("<x:xmpmeta"); start != std::string_view::npos;
         start = all.find("<x:xmpmeta", start + 1)) {
        const std::size_t end = std::min(all.find("</x:xmpmeta>", start), size);
        const std::string_view packet = all.substr(start, end - start);
        for (const std::string& prefix : ExifPrefixes(packet))
            for (const auto& [from, to] : GpsProperties(packet, prefix)) {
                std::memset(text + start + from, ' ', to - from);
                removed = true;
            }
    }
    return removed;
}

bool RemoveGps(std::string& bytes) {
    const std::string_view head(bytes.data(), std::min<std::size_t>(bytes.size(), 12));
    bool removed = false;
    if (head.substr(0, 2) == "\xFF\xD8")
        removed = RemoveFromJpeg(bytes);
    else if (head.substr(0, 8) == "\x89PNG\r\n\x1A\n")
        return RemoveFromPng(bytes); // its XMP is in its text chunks, under their checksums
    else if (head.size() == 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WEBP")
        removed = RemoveFromWebp(bytes);
    else if (head.substr(0, 4) == std::string_view("II*\0", 4) ||
             head.substr(0, 4) == std::string_view("MM\0*", 4))
        removed = RemoveGpsFromTiff(bytes.data(), bytes.size());
    else if (head.size() == 12 && head.substr(4, 4) == "ftyp")
        removed = RemoveFromExifBlocks(bytes);
    // A packet blanked in place keeps every offset: the containers above need nothing else.
    removed |= RemoveGpsFromXmp(bytes.data(), bytes.size());
    return removed;
}
