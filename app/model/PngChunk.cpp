#include "app/model/PngChunk.h"

std::uint32_t PngChunkCrc(std::string_view typeAndData) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : typeAndData) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

std::string PngTextChunk(std::string_view key, std::string_view text) {
    std::string body = "tEXt";
    body.append(key);
    body += '\0';
    body.append(text);
    std::string chunk;
    AppendBigEndian(chunk, static_cast<std::uint32_t>(body.size() - 4));
    chunk += body;
    AppendBigEndian(chunk, PngChunkCrc(body));
    return chunk;
}
