#pragma once
// A JPEG's pixels decoded by libjpeg straight into a libvips pipeline, on one thread or, for a
// picture decoded while no other is, on two:
//  - progressive: the scans of the luma and those of the chroma components are independent,
//    and decoding them is most of the work. A second decoder reads the chroma scans while the
//    first reads the luma's (both read the scans that carry every component); each row is put
//    together from the luma of the one and the chroma of the other.
//  - baseline: a second decoder skips the top half (reading its codes, which is the cheap part)
//    and decodes the bottom half ahead, while the first decodes the top half.
// Either way the samples are those of one libjpeg decode with libvips' settings, as libvips'
// own loader gives them, and they stream from top to bottom.
//
// Callers: the picture source, on the caller's thread. The result is read by libvips' workers,
// strip after strip; a second decoder runs on a thread of its own, which the result stops
// and joins when it is dropped.
#include <optional>
#include <string>

#include <vips/vips8>

namespace vtlimage {

// The pixels of the JPEG at path, decoded shrink times smaller (1, 2, 4 or 8); header is
// libvips' jpegload of the same file at that shrink, whose size, bands and metadata (EXIF, ICC
// profile, XMP, resolution) the result takes. twoThreads lets a second decoder help. Nothing
// for a JPEG left to libvips: CMYK, or damaged before its first scan. A file that turns out
// damaged later fails the read of the strip it damages.
std::optional<vips::VImage> DecodeJpeg(const std::string& path, int shrink,
                                       const vips::VImage& header, bool twoThreads);

} // namespace vtlimage
