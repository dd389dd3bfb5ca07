#pragma once
// Pictures made at run time for the image library's tests, and ways to look at results.
#include <string>

#include <vips/vips8>

namespace imagetest {

// Starts libvips for the test's own use (the library starts it the same way).
void StartVips();
// RGB: red rises left to right, green top to bottom, blue constant: every pixel distinct.
vips::VImage Gradient(int width, int height);
// Four quadrants of distinct flat colours: red top-left, green top-right, blue bottom-left,
// white bottom-right.
vips::VImage Quadrants(int width, int height);
// Writes with libvips, suffix chooses the format, e.g. ".png" or ".jpg[Q=90]".
std::string WriteVips(const vips::VImage& image, const std::string& dir, const std::string& name);
// What the library decodes from a file, as 8-bit pixels (through a lossless PNG).
vips::VImage DecodeWithLibrary(const std::string& path);
// Mean absolute difference per sample of two same-size pictures (bands compared: the first 3).
double MeanError(const vips::VImage& a, const vips::VImage& b);
// PSNR in dB of b against a (first 3 bands).
double Psnr(const vips::VImage& a, const vips::VImage& b);
// The RGB value at (x, y).
std::vector<double> At(const vips::VImage& image, int x, int y);
std::string Slurp(const std::string& path);
bool Exists(const std::string& path);

} // namespace imagetest
