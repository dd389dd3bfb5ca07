#pragma once
// Reads and writes ZSoft PCX pictures (version 5, run-length encoded).
//
// Callers: CxImage through the picture source and encoder, on the caller's thread. Reads 1-bit
// (one plane, or four planes of 16 colours), 8-bit palette or grey and 24-bit (three planes)
// pictures; writes 8-bit palette and 24-bit pictures with their resolution.
//
// A file is read a strip of lines at a time, from the top down, never whole. Before anything is
// made, the reader checks that the data can cover the picture: one byte of run-length codes
// gives at most 31.5 bytes of lines, so a kilobyte cannot claim 17320 x 17320.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "image/ByteSource.h"
#include "image/base/Raster.h"
#include "image/base/StripImage.h"

namespace vtlimage {

// Needs the 128-byte header.
bool ReadPcxInfo(std::string_view bytes, RasterInfo& info);
// The lines of the PCX in `file` as RGB, from the top down; nullptr when the header is damaged
// or the data cannot cover the picture.
std::unique_ptr<CStripSource> OpenPcx(std::shared_ptr<const CByteSource> file);
// The whole file into RGB.
bool DecodePcx(std::string_view bytes, Raster& out);

// Writes a PCX file line by line from the top: 24-bit lines of RGB, or 8-bit lines of indices
// into `palette` (RGB triplets, at most 256) when it is given.
class CPcxWriter {
  public:
    // `fd` is an empty file open for writing, which stays the caller's.
    CPcxWriter(int fd, int width, int height, const std::vector<std::uint8_t>* palette, int xDpi,
               int yDpi);
    bool Begin();
    bool Row(const std::uint8_t* row);
    // The palette after the last line; false when anything could not be written.
    bool Finish();

  private:
    bool Flush();

    int m_fd;
    int m_nWidth;
    int m_nHeight;
    const std::vector<std::uint8_t>* m_pPalette;
    int m_nXDpi;
    int m_nYDpi;
    std::vector<std::uint8_t> m_out;
    std::vector<std::uint8_t> m_line;
};

} // namespace vtlimage
