#pragma once
// Pictures for the preview's tests, made at run time: JPEGs with EXIF blocks built entry by
// entry, and the sample camera files when the shared corpus is there.
#include <QColor>
#include <QImage>

#include <libexif/exif-data.h>

#include <cstdint>
#include <string>

namespace previewtest {

// An EXIF block built entry by entry with libexif, Intel byte order.
class ExifBlock {
  public:
    ExifBlock();
    ~ExifBlock();
    ExifBlock(const ExifBlock&) = delete;
    ExifBlock& operator=(const ExifBlock&) = delete;

    ExifBlock& Ascii(ExifIfd ifd, int tag, const std::string& text);
    ExifBlock& Short(ExifIfd ifd, int tag, std::uint16_t value);
    // The APP1 segment that carries the block in a JPEG, marker and length included.
    std::string Segment() const;

  private:
    void Add(ExifIfd ifd, int tag, ExifFormat format, const std::string& bytes);
    ExifData* m_pData;
};

// One colour throughout.
QImage Flat(int width, int height, QColor color);
// The picture in a format Qt writes ("BMP", "PNG", "JPG").
std::string Encoded(const QImage& picture, const char* format);
// The picture as JPEG bytes, with segment (if any) right after the start marker.
std::string JpegBytes(const QImage& picture, const std::string& segment = "");

// The folder of sample camera JPEGs, or "" when the shared corpus is absent.
std::string SampleFolder();

} // namespace previewtest
