#pragma once
// Lanczos3 reduction of an 8-bit picture's width by a whole factor of 2 or 3, the pixels the
// same as libvips' own reduceh gives (its weights, its centres, its fixed-point rounding, its
// copied edges), at a fraction of the cost: libvips 8.14 works out every output sample on its
// own, while here each row is split into its phases once and every weight runs along a whole
// row in vector instructions (SSE2, and AVX2 where the processor has it). Halving is the
// common resize (50 %, or what is left for the Lanczos step after a JPEG decoder's shrink), and
// the width step was half the work of a resize.
//
// Callers: ScaleTo, on any thread. The result streams: its rows are made as they are asked
// for, on whichever libvips worker asks.
#include <vips/vips8>

namespace vtlimage {

// Whether ReduceWidth takes a picture of this width to that one: never while the fast road is
// off (FastJpeg.h).
bool CanReduceWidth(const vips::VImage& image, int width);

// The picture width / factor pixels wide, same height; factor is 2 or 3 and the picture
// 8 bits per sample (CanReduceWidth). libvips failures surface as vips::VError.
vips::VImage ReduceWidth(const vips::VImage& image, int width);

} // namespace vtlimage
