#pragma once
// The first look at a progressive JPEG: its picture at an eighth of its size from the scans
// that carry the DC coefficients (each 8 x 8 block's mean), which come first in the file.
//
// Callers: the picture source, on the caller's thread, when a picture is drawn at an eighth of
// its size or less. Decoding a progressive JPEG through libvips reads and decodes every scan
// however small the result, about 6 times the work of a baseline JPEG of the same size.
#include <string>

#include "image/base/Raster.h"

namespace vtlimage {

// Fills raster with the RGB picture at 1/8 of the stored size (not turned upright), through our
// own reader of the DC scans (DcScanReader.h), or libjpeg's for a file that reader leaves to it.
// False, and raster untouched, while the fast road is off (FastJpeg.h), and for a baseline
// JPEG, a CMYK one, a file that is damaged before every component's DC coefficients have
// arrived, or one whose coefficients the memory budget does not grant.
bool DecodeProgressiveDc(const std::string& path, Raster& raster);
// The same through libjpeg alone, which holds the coefficients of the whole picture even here:
// what the reader of the DC scans must give sample for sample.
bool DecodeProgressiveDcThroughLibjpeg(const std::string& path, Raster& raster);

} // namespace vtlimage
