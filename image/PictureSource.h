#pragma once
// One picture file: its detected format, its header, and its pixels on demand.
//
// Callers: CxImage and IImage, on the caller's thread; each object is independent. The format
// comes from the file's first bytes, never from its name. Header reading decodes no pixels;
// pixels are produced by Pixels(), upright (the EXIF orientation applied), as 8-bit sRGB or
// grey with or without alpha. libvips failures surface as vips::VError from Pixels().
#include <cstdint>
#include <functional>
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
    int nBands = 0;  // of the decoded pixels: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    int nFrames = 1; // of an animated GIF or WebP, each nWidth x nHeight
};

class CPictureSource {
  public:
    // Reads the header of frame `frame` (GIF and TIFF pages, icons of an ICO file). With
    // requiredType other than 0 the file must be of that format. False for an unknown format,
    // a damaged header, or a size above the pixel limit (for an animation, its frames together).
    bool Open(const std::string& path, int frame, int requiredType);
    const PictureHeader& Header() const { return m_header; }
    // The file's EXIF block as libvips hands it over, "" for none (and for the library's own
    // readers' formats, which hold none).
    std::string ExifBlock() const;

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
    // allFrames: every frame of an animation, stacked top to bottom (FramesOf); otherwise the
    // one frame the header describes.
    vips::VImage Pixels(int shrink, bool sequential, bool twoThreads, bool allFrames = false) const;

  private:
    bool ReadHeader(const std::string& path, int frame, int requiredType);
    bool JpegDecodable(std::uint64_t size);
    vips::VImage OpenVips(int shrink, bool sequential, bool allFrames = false) const;
    vips::VImage DecodeOwn() const;
    vips::VImage DecodeIcon() const;

    std::string m_strPath;
    int m_nFrame = 0;
    int m_nHeifPage = 0; // a HEIF's primary picture
    int m_nOrientation = 1;
    PictureHeader m_header;
    // What decoding holds of the whole picture at once, beyond the strips it streams.
    std::uint64_t m_nWholeBytes = 0;
};

// Loads the libvips module that reads and writes this library format, when it needs one. False
// when that module is not installed.
bool EnsureModuleFor(int type);

// Bits per pixel of a decoded 8-bit picture with this many bands.
int BppOfBands(int bands);

// The frames of a picture: an animation's are stacked top to bottom, "page-height" rows each,
// with their delays and loop count in its metadata; any other picture is its one frame.
int FramesOf(const vips::VImage& picture);
// Applies `change` to each frame and stacks the changed frames again (one frame: `change` of
// the picture), so that a size or turn holds for every frame of an animation.
vips::VImage EachFrame(const vips::VImage& picture,
                       const std::function<vips::VImage(const vips::VImage&)>& change);
// The first frame alone, for a format that holds one.
vips::VImage FirstFrame(const vips::VImage& picture);

// 8-bit sRGB (3 or 4 bands) or grey (1 or 2 bands), whatever the file held.
vips::VImage ToDisplayable(const vips::VImage& image);

} // namespace vtlimage
