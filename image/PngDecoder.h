#pragma once
// A PNG's pixels by a decoder of our own: the compressed data inflated by libdeflate in one
// call, faster than zlib's inflating as libpng does it, and the rows unfiltered strip by strip
// as libvips' workers ask for them, beside the scaling of the strips before (a picture with
// transparency, which scaling reads twice, is unfiltered whole into memory instead). A PNG
// cannot be decoded smaller than it is, so its decoding is most of the time of every draw and
// resize of it. The pixels are the file's own, as libvips' loader gives them (PNG is lossless).
//
// Callers: the picture source, on the caller's thread. A picture of strips is read by libvips'
// workers, strip after strip, top to bottom, once.
#include <optional>
#include <string>

#include <vips/vips8>

namespace vtlimage {

// The pixels of the PNG at path, with the size, bands and metadata (resolution, profile, EXIF)
// of header, libvips' pngload of the same file; the inflated data is held while the picture
// lives, granted by the memory budget. Nothing for a PNG left to libvips: one of other than 8
// bits a sample, with a palette or a transparent colour, interlaced, damaged in any way
// (libvips reports it as it does), or one whose data the budget does not grant at once.
std::optional<vips::VImage> DecodePng(const std::string& path, const vips::VImage& header);

} // namespace vtlimage
