#pragma once
// The pictures of the tests, made at run time in the one way every test shares: libvips
// draws them and writes JPEG, PNG, GIF and TIFF; BMP, PCX and ICO go through the image
// library's own encoders, which libvips lacks.
#include <vips/vips8>

#include <cstdint>
#include <string>
#include <vector>

class CxImage;

namespace vtltest {

// RGB: red rises left to right, green top to bottom, blue constant: every pixel distinct.
vips::VImage Gradient(int width, int height);
// Flat quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
vips::VImage Quadrants(int width, int height);
// Writes the picture in the format the path's extension names; libvips options may follow in
// brackets ("a.jpg[Q=95]"). Returns the path without them.
std::string WritePicture(const vips::VImage& picture, const std::string& path);
// A gradient of w × h pixels at `dpi` dots per inch (one band of grey when asked).
std::string MakePicture(const std::string& path, int w, int h, int dpi = 72, bool grey = false);
// `count` copies of one w × h JPEG in `folder`, named p0.jpg, p1.jpg, ...
std::vector<std::string> MakePictures(const std::string& folder, int count, int w, int h);

struct PictureFacts {
    int width = 0;
    int height = 0;
    int type = 0; // the library format number found in the bytes; 0 when it does not load
    bool operator==(const PictureFacts&) const = default;
};
// What the image library reads from the file.
PictureFacts Inspect(const std::string& path);
// What the image library writes of the picture, read back from a PNG as 8-bit pixels.
vips::VImage Written(CxImage& picture);
// What the image library decodes from the file, as 8-bit pixels.
vips::VImage Decode(const std::string& path);
// libvips' Lanczos3 resize of the picture to exactly width × height.
vips::VImage Lanczos(const vips::VImage& picture, int width, int height);
// Mean absolute difference per sample of the first three bands of two same-size pictures.
double MeanError(const vips::VImage& a, const vips::VImage& b);
// The largest difference of any sample of two pictures (a one-band picture stands for as many
// bands as the other has); 256 when their sizes differ.
double MaxError(const vips::VImage& a, const vips::VImage& b);
// The peak signal-to-noise ratio of b against a, in decibels, over the first three bands.
double Psnr(const vips::VImage& a, const vips::VImage& b);
// The RGB value at (x, y).
std::vector<double> At(const vips::VImage& picture, int x, int y);
// The bytes of a number, least or most significant first, for files built byte by byte.
std::string Le16(std::uint32_t value);
std::string Le32(std::uint32_t value);
std::string Be32(std::uint32_t value);
// The folder `sub` of the shared sample corpus beside the project, or "" when it is absent.
std::string SampleFolder(const std::string& sub);

} // namespace vtltest
