#pragma once
// Raw file reads and writes for the image library.
//
// Callers: the picture source, the encoder and CxImage::Save, on the caller's thread. Paths
// are UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vtlimage {

// Up to maxBytes from offset; fewer at the end of the file; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes,
                                         std::uint64_t offset = 0);
// Size in bytes, nullopt when the file cannot be examined.
std::optional<std::uint64_t> FileSize(const std::string& path);
// The size and modification time of the file at path, nothing when there is none: whether a
// write touched it.
std::optional<std::pair<std::uint64_t, std::int64_t>> FileStamp(const std::string& path);
// Removes the file at path, if there is one.
void RemoveFile(const std::string& path);
// Writes bytes to path, replacing what is there. A write that fails part way removes the
// partial file and returns false.
bool WriteFileBytes(const std::string& path, const void* data, std::size_t size);

} // namespace vtlimage
