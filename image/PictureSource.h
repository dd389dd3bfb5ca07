#pragma once
// One picture file: its detected format, its header, and its pixels on demand.
//
// Callers: CxImage and IImage, on the caller's thread; each object is independent. The format
// comes from the file's first bytes, never from its name. Header reading decodes no pixels;
// pixels are produced by Pixels(), upright (the EXIF orientation applied), as 8-bit sRGB or
// grey with or without alpha. libvips failures surface as vips::VError from Pixels().
#include <cstdint>
#include <string>

#include <vips/vips8>

namespace vtlimage {

struct PictureHeader {
    int nType = 0;  // library format number
    int nWidth = 0; // upright size
    int nHeight = 0;
    int nXDpi = 0; // 0: the file stores no resolution
    int nYDpi = 0;
    int nBpp = 0;
    int nBands = 0; // of the decoded pixels: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
};

class CPictureSource {
  public:
    // Reads the header of frame `frame` (GIF and TIFF pages, icons of an ICO file). With
    // requiredType other than 0 the file must be of that format. False for an unknown format,
    // a damaged header, or a size above the pixel limit.
    bool Open(const std::string& path, int frame, int requiredType);
    const PictureHeader& Header() const { return m_header; }

    // Cheap checks that catch a cut-off or hostile file before any pixel is decoded: a JPEG
    // needs its end marker after the start of its scan data and, coded with Huffman codes, at
    // least a bit for every block of one component (which its first scan costs); a PNG needs its
    // IEND chunk; and whatever a decode must hold of the whole picture at once (a progressive
    // JPEG's coefficients, an interlaced PNG, a GIF's canvas, an icon) must be within the
    // largest claim the memory budget grants.
    bool Decodable();

    // The pixels. shrink (1, 2, 4 or 8) lets the JPEG decoder reduce while decoding; other
    // formats ignore it. At 8, a progressive JPEG is read only up to its DC coefficients.
    // sequential: the caller reads the result once, top to bottom, which lets the decoder stream
    // instead of holding the whole picture (the library's own BMP and PCX readers always
    // stream). twoThreads lets a JPEG decoder take a second thread. What a decode holds of the
    // whole picture is granted by the memory budget for as long as the result lives.
    vips::VImage Pixels(int shrink, bool sequential, bool twoThreads) const;

  private:
    bool ReadHeader(const std::string& path, int frame, int requiredType);
    bool JpegDecodable(std::uint64_t size);
    vips::VImage OpenVips(int shrink, bool sequential) const;
    vips::VImage DecodeOwn() const;
    vips::VImage DecodeIcon() const;

    std::string m_strPath;
    int m_nFrame = 0;
    int m_nOrientation = 1;
    PictureHeader m_header;
    // What decoding holds of the whole picture at once, beyond the strips it streams.
    std::uint64_t m_nWholeBytes = 0;
};

// Bits per pixel of a decoded 8-bit picture with this many bands.
int BppOfBands(int bands);

// 8-bit sRGB (3 or 4 bands) or grey (1 or 2 bands), whatever the file held.
vips::VImage ToDisplayable(const vips::VImage& image);

} // namespace vtlimage
