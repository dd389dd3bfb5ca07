#pragma once
// The scaling pipeline: how far a JPEG decoder shrinks a picture on its own, and the exact
// Lanczos3 reduction after it (through our own width reducer where it matches libvips).
//
// Callers: CxImage and the encoder, on any thread; nothing is shared.
#include <vips/vips8>

namespace vtlimage {

// The largest JPEG decoder shrink that still decodes at least targetWidth x targetHeight: a
// picture drawn on screen needs no more than its drawn size.
int DrawShrink(int width, int height, int targetWidth, int targetHeight);

// The largest JPEG decoder shrink that still leaves at least a factor 2 for the final
// Lanczos step when reducing a width x height picture to targetWidth x targetHeight.
int DecoderShrink(int width, int height, int targetWidth, int targetHeight);

// Scales to exactly width x height with Lanczos3 (alpha premultiplied while scaling
// unless it is nearly opaque throughout).
vips::VImage ScaleTo(const vips::VImage& image, int width, int height);

} // namespace vtlimage
