#pragma once
// How much a batch works on at once: the resize job keeps kPicturesInFlight pictures in flight,
// and the image library's memory budget is made for that many whole pictures. Both read it
// here, so that the one cannot change without the other.
#include <cstddef>

namespace vtlimage {

// Pictures decoded and encoded at once in a batch, each on a helper thread of its own, while the
// worker prepares the next file: one a core on the two cores a batch is measured on.
constexpr std::size_t kPicturesInFlight = 2;

// The memory the library holds for one whole picture in flight (a progressive JPEG keeps all
// its coefficients, 2 bytes a sample: 88 MB for 5120 x 2880 with full-size chroma; an
// interlaced PNG or a GIF is decoded whole; a turned picture is held whole).
constexpr std::size_t kWholePictureBytes = std::size_t{90} << 20;
// The library's memory budget: enough for every picture in flight at once, or one decoded on
// two threads.
constexpr std::size_t kMemoryBudgetBytes = kPicturesInFlight * kWholePictureBytes;
// The largest claim one picture alone may make on it (a progressive JPEG of 128 MP), which
// keeps a process that works on it under 600 MB.
constexpr std::size_t kLargestPictureBytes = std::size_t{384} << 20;

} // namespace vtlimage
