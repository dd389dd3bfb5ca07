#include "platform/Utf8.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

bool Continues(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::size_t Utf8Length(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !Continues(c); }));
}

std::string_view Utf8Tail(std::string_view text, std::size_t count) {
    std::size_t start = text.size();
    for (std::size_t seen = 0; start > 0 && seen < count;)
        seen += !Continues(text[--start]);
    return text.substr(start);
}

void CopyTextCut(char* buffer, std::size_t size, const char* text) {
    const std::size_t length = strnlen(text, size);
    std::size_t kept = length;
    if (length > size - 1) {
        kept = size - 1;
        // Step back over continuation bytes to the start of the character that was cut.
        while (kept > 0 && Continues(text[kept]))
            --kept;
    }
    std::memmove(buffer, text, kept);
    buffer[kept] = '\0';
}

std::string ToValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned min = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            min = 0x10000;
        }
        bool valid = length && i + length <= bytes.size();
        unsigned code = length ? c & (0xFF >> (length + 1)) : 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= min && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (valid) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

} // namespace plat
