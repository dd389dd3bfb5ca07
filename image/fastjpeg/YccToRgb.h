#pragma once
// libjpeg's YCbCr to RGB conversion (its fixed point, its rounding), for pictures whose
// components the library's own decoders put together: the samples are those libjpeg would
// have given.
//
// Callers: the JPEG decoders of the fast road, on any thread.
#include <cstdint>

namespace vtlimage {

// One row of `width` pixels: the luma from `luma` (one sample a pixel), the chroma from
// samples 1 and 2 of each triplet of `ycc`, into RGB triplets at `rgb`.
void YccToRgb(const std::uint8_t* luma, const std::uint8_t* ycc, std::uint8_t* rgb, int width);

} // namespace vtlimage
