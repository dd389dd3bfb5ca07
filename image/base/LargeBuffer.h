#pragma once
// Memory for a whole picture's bytes (tens of megabytes), taken and given back once a picture.
// A fresh buffer costs a page fault and a zeroed page for every 4 KB touched, and the same
// again to unmap it: 26 ms for the 59 MB of an inflated 5120 x 2880 PNG with transparency, a
// sixth of its preview. On Linux a large buffer is therefore asked for in 2 MB pages
// (transparent huge pages, which the kernel grants on request), where it costs 3 ms; elsewhere,
// or for a small buffer, it is an ordinary allocation.
//
// Callers: the library's decoders, on any thread; a buffer may be freed on another.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vtlimage {

struct LargeBufferRelease {
    std::size_t nMapped = 0; // bytes mapped from the aligned start; 0 when taken with new[]
    void operator()(std::uint8_t* buffer) const;
};

using LargeBuffer = std::unique_ptr<std::uint8_t[], LargeBufferRelease>;

// `bytes` of memory, uninitialised; null when there is not that much.
LargeBuffer AllocateLarge(std::size_t bytes);

} // namespace vtlimage
