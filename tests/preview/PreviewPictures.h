#pragma once
// Pictures for the preview's tests, made at run time, and the sample camera files when the
// shared corpus is there.
#include <QColor>
#include <QImage>

#include <libexif/exif-data.h>

#include <string>
#include <vector>

namespace previewtest {

struct ExifText {
    ExifIfd ifd;
    int tag;
    std::string text;
};

// The APP1 segment of an EXIF block that holds these text entries (libexif writes it).
std::string ExifSegment(const std::vector<ExifText>& entries);
// One colour throughout.
QImage Flat(int width, int height, QColor color);
// The picture in a format Qt writes ("BMP", "PNG", "JPG").
std::string Encoded(const QImage& picture, const char* format);
// The picture as a JPEG with the segment right after its start marker.
std::string JpegBytes(const QImage& picture, const std::string& segment = "");
// The folder of sample camera JPEGs, or "" when the shared corpus is absent.
std::string SampleFolder();

} // namespace previewtest
