#pragma once
// The first scans of a progressive JPEG, those that carry each 8 x 8 block's DC coefficient,
// read by a Huffman decoder of our own into the picture at an eighth of its size. It keeps the
// DC coefficients alone, a 64th of what libjpeg holds: libjpeg realises and zero-fills a
// coefficient buffer for the whole picture even when only the DC is drawn (88 MB for
// 5120 x 2880 with full-size chroma), which cost more than the decoding itself.
//
// Callers: ProgressiveJpeg, on the caller's thread.
#include <cstdio>

#include "image/base/Raster.h"

namespace vtlimage {

// Reads `file` from where it stands (its start) and fills raster with the RGB picture at 1/8
// of the stored size, sample for sample what libjpeg gives for it at that scale in buffered-
// image mode once every component's first DC scan is in, without block smoothing. `grey`: the
// file holds one grey component; else three YCbCr ones, as libjpeg's reading of the header
// said. False, raster untouched, for a file left to libjpeg: a baseline one, other sampling
// than luma at 1 or 2 each way with chroma at 1, a missing table, an AC scan that the draw
// would see before every DC has arrived, and damage of any kind (libjpeg's recovery from it is
// its own), or DC coefficients the memory budget does not grant.
bool ReadDcScans(std::FILE* file, bool grey, Raster& raster);

} // namespace vtlimage
