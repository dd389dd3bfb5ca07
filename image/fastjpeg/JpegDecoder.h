#pragma once
// A JPEG's pixels decoded by libjpeg straight into a libvips pipeline, with libvips' settings,
// so the samples are those of libvips' own loader, streaming from top to bottom. A progressive
// picture takes a second thread: its decoding is mostly that of its scans, and the scans of
// the luma and those of the chroma components are independent. A second decoder reads the
// chroma scans while the first reads the luma's, and each row is put together from the luma of
// the one and the chroma of the other. The scans that carry every component are split between
// the two where they can be (see ScanSplit); where they cannot, each decoder holds the whole
// picture's coefficients, and only a picture decoded while no other is takes the second
// thread. (A baseline picture gains nothing so: its decoding already runs beside the scaling
// and encoding that follow it, one core each.)
//
// Callers: the picture source, on the caller's thread. The result is read by libvips' workers,
// strip after strip; the second decoder runs on a thread of its own, which the result stops
// and joins when it is dropped.
#include <optional>
#include <string>

#include <vips/vips8>

namespace vtlimage {

// The pixels of the JPEG at path, decoded shrink times smaller (1, 2, 4 or 8); header is
// libvips' jpegload of the same file at that shrink, whose size, bands and metadata (EXIF, ICC
// profile, XMP, resolution) the result takes. twoThreads (a picture on its own) lets a second
// decoder help where it holds the coefficients twice. Nothing for a JPEG left to libvips: every
// one while the fast road is off (FastJpeg.h), a CMYK one, one damaged before its first scan,
// or a file too large to hold in memory while it is decoded.
// A file that turns out damaged later fails the read of the strip it damages. Throws
// vips::VError for a progressive picture whose coefficients the memory budget never grants.
std::optional<vips::VImage> DecodeJpeg(const std::string& path, int shrink,
                                       const vips::VImage& header, bool twoThreads);

} // namespace vtlimage
