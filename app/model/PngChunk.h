#pragma once
// What writing into a PNG's chunks takes: the CRC-32 each chunk ends with (over its type and
// data), and a whole tEXt chunk. For the mail's GPS removal, which rewrites chunks in place, and
// the thumbnail cache, whose entries carry their picture's URI and time as text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

std::uint32_t PngChunkCrc(std::string_view typeAndData);

// A tEXt chunk: length, "tEXt", `key`, a zero byte, `text`, CRC.
std::string PngTextChunk(std::string_view key, std::string_view text);
