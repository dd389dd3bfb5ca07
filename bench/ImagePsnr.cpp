// image-psnr: the mean PSNR (dB) of output pictures against their reference pictures, over
// the colour bands, for bench/resize-peers. Arguments come in pairs: REFERENCE OUTPUT ...
// A pair whose sizes differ, or a file that cannot be read, is an error (exit status 1).
#include <cmath>
#include <cstdio>

#include <vips/vips8>

namespace {

using vips::VImage;

VImage Rgb(const char* path) {
    VImage image =
        VImage::new_from_file(path, VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    image = image.colourspace(VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_UCHAR);
    if (image.has_alpha())
        image =
            image.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    return image.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0 || argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: image-psnr REFERENCE OUTPUT [REFERENCE OUTPUT ...]\n");
        return 2;
    }
    double sum = 0;
    int pairs = 0;
    try {
        for (int i = 1; i + 1 < argc; i += 2) {
            const VImage reference = Rgb(argv[i]);
            const VImage output = Rgb(argv[i + 1]);
            if (reference.width() != output.width() || reference.height() != output.height()) {
                std::fprintf(stderr, "image-psnr: %s is %dx%d, its reference %dx%d\n", argv[i + 1],
                             output.width(), output.height(), reference.width(),
                             reference.height());
                return 1;
            }
            const VImage diff = reference - output;
            const double mse = (diff * diff).avg();
            sum += mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
            ++pairs;
        }
    } catch (const vips::VError& error) {
        std::fprintf(stderr, "image-psnr: %s\n", error.what());
        return 1;
    }
    std::printf("%.2f\n", sum / pairs);
    return 0;
}
