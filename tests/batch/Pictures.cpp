#include "tests/batch/Pictures.h"

#include "image/ximage.h"
#include "tests/support/Sandbox.h"

#include <vips/vips8>

#include <cstring>
#include <stdexcept>

namespace batchtest {
namespace {

void StartVips() {
    static const bool started = [] { return VIPS_INIT("batch_tests") == 0; }();
    if (!started)
        throw std::runtime_error("libvips did not start");
}

vips::VImage Gradient(int w, int h, bool grey) {
    vips::VImage xyz = vips::VImage::xyz(w, h);
    vips::VImage x = xyz[0] * (255.0 / std::max(1, w - 1));
    vips::VImage y = xyz[1] * (255.0 / std::max(1, h - 1));
    if (grey)
        return ((x + y) / 2).cast(VIPS_FORMAT_UCHAR);
    return x.bandjoin(y).bandjoin((x + y) / 2).cast(VIPS_FORMAT_UCHAR);
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

void MakePicture(const std::string& path, int w, int h, int dpi, bool grey) {
    StartVips();
    const double perMm = dpi / 25.4;
    vips::VImage picture = Gradient(w, h, grey).copy(
        vips::VImage::option()->set("xres", perMm)->set("yres", perMm));
    if (EndsWith(path, ".bmp")) {
        const std::string png = path + ".png";
        picture.write_to_file(png.c_str());
        CxImage image;
        if (!image.Load(png) || !image.Save(path, CXIMAGE_FORMAT_BMP))
            throw std::runtime_error("cannot make " + path);
        std::remove(png.c_str());
        return;
    }
    picture.write_to_file(path.c_str());
}

Facts Inspect(const std::string& path) {
    StartVips();
    Facts facts;
    const std::string bytes = vtltest::ReadFile(path);
    facts.magic = bytes.substr(0, 4);
    if (bytes.compare(0, 2, "BM") == 0 && bytes.size() > 26) {
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::memcpy(&width, bytes.data() + 18, 4);
        std::memcpy(&height, bytes.data() + 22, 4);
        facts.width = width;
        facts.height = height < 0 ? -height : height;
        return facts;
    }
    vips::VImage image = vips::VImage::new_from_file(path.c_str());
    facts.width = image.width();
    facts.height = image.height();
    return facts;
}

} // namespace batchtest
