#pragma once
// The numbers of the file formats our own codecs read and write: little-endian in BMP, PCX and
// ICO, big-endian in PNG chunks and HEIF boxes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vtlimage {

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

// A big-endian read, with the same rule.
inline std::uint32_t ReadBE32(std::string_view bytes, std::size_t at) {
    if (at + 4 > bytes.size())
        return 0;
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

inline void AppendLE16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void AppendLE32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    AppendLE16(out, value & 0xFFFF);
    AppendLE16(out, value >> 16);
}

} // namespace vtlimage
