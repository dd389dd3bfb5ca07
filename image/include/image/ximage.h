#pragma once
// CxImage: one picture, decoded, transformed and encoded through libvips.
//
// Callers: the resize job and the reading pass (on their worker thread) and the preview's
// loader (on its worker thread, for Load/Draw/Destroy). One object belongs to one thread at a
// time; two objects may be used on two threads at once, each with its own picture: they share
// nothing but the library's one-time start-up, which is thread-safe. Another thread may only
// raise the flag given to SetCancelFlag.
//
// Paths are UTF-8. Nothing here throws: a failure leaves a clear state (an empty picture after
// a failed Load or when the file turns out damaged while its pixels are decoded, an unchanged
// picture after a refused transform, no file after a failed Save).
// Work is lazy: Load reads the header only; pixels are decoded when a transform or Save needs
// them, and a Resample straight after Load of a JPEG may let the decoder shrink.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;

// Library format numbers, as stored by Load and passed to Save.
inline constexpr int CXIMAGE_FORMAT_UNKNOWN = 0;
inline constexpr int CXIMAGE_FORMAT_BMP = 1;
inline constexpr int CXIMAGE_FORMAT_GIF = 2;
inline constexpr int CXIMAGE_FORMAT_JPG = 3;
inline constexpr int CXIMAGE_FORMAT_PNG = 4;
inline constexpr int CXIMAGE_FORMAT_ICO = 5;
inline constexpr int CXIMAGE_FORMAT_TIF = 6;
inline constexpr int CXIMAGE_FORMAT_PCX = 8;
inline constexpr int CXIMAGE_FORMAT_WEBP = 9;
inline constexpr int CXIMAGE_FORMAT_HEIC = 10; // HEIF holding HEVC pictures
inline constexpr int CXIMAGE_FORMAT_AVIF = 11; // HEIF holding AV1 pictures
inline constexpr int CXIMAGE_FORMAT_JXL = 12;

class CxImage {
  public:
    CxImage();
    ~CxImage();
    CxImage(const CxImage&) = delete;
    CxImage& operator=(const CxImage&) = delete;

    // Replaces the picture with the file at path. imagetype 0 detects the format from the
    // file's bytes (never from its name); another number insists on that format. The EXIF
    // orientation of the file is applied, so the picture is upright (a HEIF is turned by its
    // own transforms only, as its format asks). Of a HEIF holding several pictures, its primary
    // one is read; of a multi-page TIFF, its first page. On failure the picture is
    // empty (width and height 0) and false is returned.
    bool Load(const std::string& path, int imagetype = CXIMAGE_FORMAT_UNKNOWN);

    // Writes the picture to path in the given library format. An empty picture, an unknown
    // format or a failed write writes nothing (no partial file is left) and returns false.
    bool Save(const std::string& path, int imagetype);
    // What Save would write, into `bytes` rather than a file: for trying qualities and sizes
    // before anything is written. The first call keeps the decoded picture in memory (as far as
    // the memory budget grants), so that encoding it again, at another quality or after a
    // Resample, does not decode the file again. False, with `bytes` empty, where Save fails.
    bool Encode(std::vector<std::uint8_t>& bytes, int imagetype);

    // Scales to exactly newx x newy pixels (Lanczos3). mode is the interpolation mode; every
    // mode gives the same high-quality result. A size below 1 or above the pixel limit fails
    // and keeps the picture. Straight after Load the scaling is done on the way out (by Save,
    // Draw or a turn), so a damaged file shows there: that operation fails and empties the
    // picture.
    bool Resample(int newx, int newy, int mode = 1);
    // Turns 90 degrees counter-clockwise / clockwise.
    bool RotateLeft();
    bool RotateRight();
    // Turns upside down (mirrors top to bottom).
    bool Flip();

    // Resolution in whole dots per inch; a file without one reads as 96. Values below 1 are
    // ignored, values above 65535 stored as 65535.
    void SetXDPI(int dpi);
    void SetYDPI(int dpi);
    int GetXDPI() const;
    int GetYDPI() const;

    // Quality 0..100 used by a JPEG, WebP, HEIC or AVIF save (values above 100 count as 100).
    void SetJpegQuality(std::uint8_t quality);
    // Selects the frame (page) of a multi-frame file (GIF, TIFF, ICO) that the next Load reads;
    // frame 0, the first, is the default. The picture in hand is the one frame that was loaded,
    // but for an animated GIF or WebP loaded at frame 0: it keeps every frame, each sized and
    // turned alike, and a GIF or WebP save writes them all with their delays and loop count
    // (any other save, and Draw, the first). Its frames together are held to the pixel limit.
    void SetFrame(int frame);
    // Bits per pixel of the loaded picture: 24 RGB, 32 RGB with alpha, 8 palette or grey
    // (16 grey with alpha), 1 bilevel; 0 when empty.
    int GetBpp() const;
    // Options for the encoders; 2 asks the GIF encoder for its best colour reduction
    // (palette search with dithering) when the picture has more colours than GIF holds.
    void SetEncodeOption(int option);

    int GetWidth() const;
    int GetHeight() const;
    // The library format number detected by the last Load, 0 when empty.
    int GetType() const;

    // Paints the whole picture stretched into (x, y, cx, cy) of painter. Returns false and
    // paints nothing when the picture is empty or the rectangle is empty.
    bool Draw(QPainter* painter, int x, int y, int cx, int cy);
    // A flag that another thread may raise while a Draw runs: the decoding then stops at its
    // next stretch of pixels, and the Draw fails and drops the picture, as for damaged pixels.
    // Null (the default) lets every Draw run to its end. The flag outlives the object's draws.
    void SetCancelFlag(const std::atomic<bool>* cancel);

    // The EXIF block of the file at path as libvips finds it in a HEIC, AVIF, WebP or PNG file
    // (starting "Exif\0\0"), "" for none. A JPEG's is read from its bytes by its reader.
    static std::string ReadExifBlock(const std::string& path);

    // Drops the picture; afterwards it is empty.
    bool Destroy();
    // A picture is in hand. Pixels are decoded on demand; a file whose pixel data turns out to
    // be damaged empties the picture at that moment, and the operation fails.
    bool IsValid() const;
    // The picture may be drawn and saved; true whenever it is valid.
    bool IsEnabled() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
