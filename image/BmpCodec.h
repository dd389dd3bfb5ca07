#pragma once
// Reads and writes Windows bitmaps (BMP files and the DIBs inside icons).
//
// Callers: CxImage (through the picture source and encoder) and the icon codec, on the
// caller's thread. Reads 1, 4 and 8-bit palette pictures (also RLE4 and RLE8), 16, 24 and
// 32-bit pictures (also with bit fields) and OS/2 headers; writes 24-bit RGB and 8-bit palette
// files with their resolution. Anything truncated or inconsistent fails.
//
// A file is read a strip of rows at a time, never whole: a picture of 300 million pixels is
// 900 MB in memory, and a kilobyte of run-length codes can claim one. Before anything is made,
// the reader checks that the data covers the picture: uncompressed rows must all be in the
// file, and run-length codes are walked once to the end of the picture (also noting where
// every few rows begin, so that a strip is decoded from the nearest such point).
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "image/ByteSource.h"
#include "image/base/Raster.h"
#include "image/base/StripImage.h"

namespace vtlimage {

// "BM" and a sane info header; needs the first 64 bytes of the file or more.
bool ReadBmpInfo(std::string_view bytes, RasterInfo& info);
// The rows of the BMP in `file`, top row first, as RGB, or RGBA when the file holds alpha
// (bands says which); nullptr when the file is damaged or its data cannot cover the picture.
std::unique_ptr<CStripSource> OpenBmp(std::shared_ptr<const CByteSource> file, int& bands);
// The whole file into RGB or RGBA.
bool DecodeBmp(std::string_view bytes, Raster& out);

// A DIB as stored in an icon: info header, palette, colour bits, then a 1-bit mask whose set
// bits are transparent. Height in the header counts both halves. Always gives RGBA.
bool ReadIconDibInfo(std::string_view dib, RasterInfo& info);
bool DecodeIconDib(std::string_view dib, Raster& out);

// Writes a BMP file row by row, top row first, at its place in the file (which stores the
// bottom row first): 24-bit rows of RGB, or 8-bit rows of indices into `palette` (RGB
// triplets, at most 256) when it is given.
class CBmpWriter {
  public:
    // `fd` is an empty file open for writing, which stays the caller's.
    CBmpWriter(int fd, int width, int height, const std::vector<std::uint8_t>* palette, int xDpi,
               int yDpi);
    // The headers and palette; false when they cannot be written.
    bool Begin();
    // The next row from the top.
    bool Row(const std::uint8_t* row);

  private:
    int m_fd;
    int m_nWidth;
    int m_nHeight;
    const std::vector<std::uint8_t>* m_pPalette;
    int m_nXDpi;
    int m_nYDpi;
    std::size_t m_nStride = 0;
    std::uint64_t m_nBitsAt = 0;
    int m_nRow = 0;
    std::vector<std::uint8_t> m_line;
};

} // namespace vtlimage
