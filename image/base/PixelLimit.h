#pragma once
// The largest picture the library decodes or makes, whatever reads or makes it.
#include <cstdint>

namespace vtlimage {

// No picture above this many pixels is decoded or made: a small file whose header claims
// a huge size (a decompression bomb) must not allocate for it.
inline constexpr std::uint64_t kMaxPixels = 300'000'000;

inline bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

} // namespace vtlimage
