#include "tests/support/Pictures.h"

#include "image/IImage.h"
#include "tests/support/Sandbox.h"

#include <stdexcept>

namespace vtltest {

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
    return (xy[0] * (255.0 / std::max(1, width - 1)))
        .bandjoin(xy[1] * (255.0 / std::max(1, height - 1)))
        .bandjoin(VImage::black(width, height) + 128)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage Quadrants(int width, int height) {
    StartVips();
    VImage image = VImage::black(width, height, VImage::option()->set("bands", 3))
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                       .copy_memory();
    const int hw = width / 2;
    const int hh = height / 2;
    auto fill = [&](std::vector<double> colour, int x, int y, int w, int h) {
        image.draw_rect(colour, x, y, w, h, VImage::option()->set("fill", true));
    };
    fill({255, 0, 0}, 0, 0, hw, hh);
    fill({0, 255, 0}, hw, 0, width - hw, hh);
    fill({0, 0, 255}, 0, hh, hw, height - hh);
    fill({255, 255, 255}, hw, hh, width - hw, height - hh);
    return image;
}

std::string WritePicture(const VImage& picture, const std::string& path) {
    StartVips();
    const std::string plain = path.substr(0, path.find('['));
    const std::string ext = plain.substr(plain.rfind('.') + 1);
    const int own = ext == "bmp"   ? CXIMAGE_FORMAT_BMP
                    : ext == "pcx" ? CXIMAGE_FORMAT_PCX
                    : ext == "ico" ? CXIMAGE_FORMAT_ICO
                                   : 0;
    if (!own) {
        picture.write_to_file(path.c_str());
        return plain;
    }
    const std::string png = MakeTempDir("own-codec") + "/source.png";
    picture.write_to_file(png.c_str());
    CxImage image;
    if (!image.Load(png) || !image.Save(plain, own))
        throw std::runtime_error("cannot write " + plain);
    return plain;
}

std::string MakePicture(const std::string& path, int w, int h, int dpi, bool grey) {
    const VImage gradient = Gradient(w, h);
    const VImage picture = grey ? gradient.colourspace(VIPS_INTERPRETATION_B_W) : gradient;
    return WritePicture(
        picture.copy(VImage::option()->set("xres", dpi / 25.4)->set("yres", dpi / 25.4)), path);
}

PictureFacts Inspect(const std::string& path) {
    CxImage picture;
    if (!picture.Load(path))
        return {};
    return {picture.GetWidth(), picture.GetHeight(), picture.GetType()};
}

VImage Decode(const std::string& path) {
    CxImage picture;
    const std::string png = MakeTempDir("decoded") + "/decoded.png";
    if (!picture.Load(path) || !picture.Save(png, CXIMAGE_FORMAT_PNG))
        throw std::runtime_error("the library cannot decode " + path);
    return VImage::new_from_file(png.c_str()).copy_memory();
}

double MeanError(const VImage& a, const VImage& b) {
    auto three = [](const VImage& image) {
        return image.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    };
    return (three(a) - three(b)).abs().avg();
}

std::vector<double> At(const VImage& picture, int x, int y) {
    std::vector<double> value = picture.getpoint(x, y);
    value.resize(3);
    return value;
}

} // namespace vtltest
