#include "tests/image/ImageTestSupport.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "image/ximage.h"
#include "tests/support/Sandbox.h"

namespace imagetest {

using vips::VImage;

void StartVips() {
    static const bool started = VIPS_INIT("vantrel-tests") == 0;
    if (!started)
        throw std::runtime_error("libvips did not start");
    vips_cache_set_max(0);
}

VImage Gradient(int width, int height) {
    StartVips();
    const VImage xy = VImage::xyz(width, height);
    const VImage red = xy[0] * (255.0 / (width - 1));
    const VImage green = xy[1] * (255.0 / (height - 1));
    const VImage blue = VImage::black(width, height) + 128;
    return red.bandjoin(green)
        .bandjoin(blue)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage Quadrants(int width, int height) {
    StartVips();
    VImage image = (VImage::black(width, height, VImage::option()->set("bands", 3)))
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                       .copy_memory();
    const int hw = width / 2;
    const int hh = height / 2;
    image.draw_rect({255, 0, 0}, 0, 0, hw, hh, VImage::option()->set("fill", true));
    image.draw_rect({0, 255, 0}, hw, 0, width - hw, hh, VImage::option()->set("fill", true));
    image.draw_rect({0, 0, 255}, 0, hh, hw, height - hh, VImage::option()->set("fill", true));
    image.draw_rect({255, 255, 255}, hw, hh, width - hw, height - hh,
                    VImage::option()->set("fill", true));
    return image;
}

std::string WriteVips(const VImage& image, const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    image.write_to_file(path.c_str());
    const std::size_t bracket = path.find('[');
    return bracket == std::string::npos ? path : path.substr(0, bracket);
}

VImage DecodeWithLibrary(const std::string& path) {
    CxImage picture;
    if (!picture.Load(path, 0))
        throw std::runtime_error("library cannot load " + path);
    const std::string png = vtltest::MakeTempDir("decoded") + "/decoded.png";
    if (!picture.Save(png, CXIMAGE_FORMAT_PNG))
        throw std::runtime_error("library cannot re-encode " + path);
    return VImage::new_from_file(png.c_str()).copy_memory();
}

double MeanError(const VImage& a, const VImage& b) {
    return (a.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT) -
            b.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT))
        .abs()
        .avg();
}

double Psnr(const VImage& a, const VImage& b) {
    const VImage diff = a.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT) -
                        b.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    const double mse = (diff * diff).avg();
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<double> At(const VImage& image, int x, int y) {
    std::vector<double> value = image.getpoint(x, y);
    value.resize(3);
    return value;
}

std::string Slurp(const std::string& path) {
    return vtltest::ReadFile(path);
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

} // namespace imagetest
