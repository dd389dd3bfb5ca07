#include "tests/support/Pictures.h"

#include "image/VipsRuntime.h"
#include "image/ximage.h"
#include "tests/support/Sandbox.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

// x265, which writes the HEIC pictures, keeps about a kilobyte of every encoder it opens until
// the process ends: the address sanitizer's leak check leaves that library's out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}

namespace vtltest {

using vips::VImage;

namespace {

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

// While it lives (when `away`), ThreadSanitizer does not watch this thread's memory accesses;
// nothing in other builds.
class SanitizerLooksAway {
  public:
    explicit SanitizerLooksAway([[maybe_unused]] bool away) {
#if defined(__SANITIZE_THREAD__)
        if ((m_bAway = away))
            __tsan_ignore_thread_begin();
#endif
    }
    ~SanitizerLooksAway() {
#if defined(__SANITIZE_THREAD__)
        if (m_bAway)
            __tsan_ignore_thread_end();
#endif
    }
    SanitizerLooksAway(const SanitizerLooksAway&) = delete;
    SanitizerLooksAway& operator=(const SanitizerLooksAway&) = delete;

  private:
    [[maybe_unused]] bool m_bAway = false;
};

void StartVips() {
    static const bool started = VIPS_INIT("vantrel-tests") == 0;
    if (!started)
        throw std::runtime_error("libvips did not start");
    vips_cache_set_max(0);
}

} // namespace

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
    const VImage xy = VImage::xyz(width, height);
    const VImage right = xy[0] >= width / 2;
    const VImage bottom = xy[1] >= height / 2;
    return (right == bottom)
        .bandjoin(right)
        .bandjoin(bottom)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

std::string WritePicture(const VImage& picture, const std::string& path) {
    const std::string plain = path.substr(0, path.find('['));
    const std::string ext = plain.substr(plain.rfind('.') + 1);
    const int own = ext == "bmp"   ? CXIMAGE_FORMAT_BMP
                    : ext == "pcx" ? CXIMAGE_FORMAT_PCX
                    : ext == "ico" ? CXIMAGE_FORMAT_ICO
                                   : 0;
    if (!own) {
        // The test process starts libvips as the programs do, without its modules.
        vtlimage::EnsureVipsModule(vtlimage::VipsModule::Heif);
        vtlimage::EnsureVipsModule(vtlimage::VipsModule::Jxl);
        // libheif's encoder shares its strings between this thread and libvips' write thread
        // through GLib's semaphores, which ThreadSanitizer cannot see, and its own frames are
        // lost: the sanitizer looks away while a test writes a HEIF of its own to read. (The
        // program's writing of one is suppressed by its name, EncodePicture.)
        const SanitizerLooksAway away(ext == "heic" || ext == "avif");
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
    const VImage picture =
        grey ? Gradient(w, h).colourspace(VIPS_INTERPRETATION_B_W) : Gradient(w, h);
    return WritePicture(
        picture.copy(VImage::option()->set("xres", dpi / 25.4)->set("yres", dpi / 25.4)), path);
}

std::vector<std::string> MakePictures(const std::string& folder, int count, int w, int h) {
    std::vector<std::string> paths{MakePicture(folder + "/p0.jpg", w, h)};
    for (int i = 1; i < count; ++i)
        std::filesystem::copy_file(paths[0],
                                   paths.emplace_back(folder + "/p" + std::to_string(i) + ".jpg"));
    return paths;
}

PictureFacts Inspect(const std::string& path) {
    CxImage picture;
    if (!picture.Load(path))
        return {};
    return {picture.GetWidth(), picture.GetHeight(), picture.GetType()};
}

VImage Written(CxImage& picture) {
    const std::string png = MakeTempDir("written") + "/written.png";
    if (!picture.Save(png, CXIMAGE_FORMAT_PNG))
        throw std::runtime_error("the library cannot write " + png);
    return VImage::new_from_file(png.c_str()).copy_memory();
}

VImage Decode(const std::string& path) {
    CxImage picture;
    if (!picture.Load(path))
        throw std::runtime_error("the library cannot decode " + path);
    return Written(picture);
}

VImage Lanczos(const VImage& picture, int width, int height) {
    return picture.resize(static_cast<double>(width) / picture.width(),
                          VImage::option()
                              ->set("vscale", static_cast<double>(height) / picture.height())
                              ->set("kernel", VIPS_KERNEL_LANCZOS3));
}

namespace {

vips::VImage Difference(const VImage& a, const VImage& b) {
    auto three = [](const VImage& image) {
        return image.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    };
    return three(a) - three(b);
}

} // namespace

double MeanError(const VImage& a, const VImage& b) {
    return Difference(a, b).abs().avg();
}

double MaxError(const VImage& a, const VImage& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return 256;
    return (a - b).abs().max();
}

double Psnr(const VImage& a, const VImage& b) {
    const VImage difference = Difference(a, b);
    const double mse = (difference * difference).avg();
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<double> At(const VImage& picture, int x, int y) {
    std::vector<double> value = picture.getpoint(x, y);
    value.resize(3);
    return value;
}

std::string Le16(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8)};
}

std::string Le32(std::uint32_t value) {
    return Le16(value) + Le16(value >> 16);
}

std::string Be32(std::uint32_t value) {
    const std::string le = Le32(value);
    return {le.rbegin(), le.rend()};
}

std::string SampleFolder(const std::string& sub) {
    const std::filesystem::path folder =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata" / sub;
    return std::filesystem::is_directory(folder) ? folder.lexically_normal().string() : "";
}

} // namespace vtltest
