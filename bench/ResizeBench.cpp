// resize-bench: drives the image library the way the batch resize job does, over a list of
// files, so its speed and memory can be compared with other tools (see resize-peers).
//
// Per file, in the job's order: Load(path, 0), GetWidth/GetHeight, Resample to the percent or
// pixel size, optional rotation, DPI, JPEG quality or the GIF preparation, Save. --jobs N runs
// N files at once on N threads, each with its own picture object, as the job may.
// --info instead reads each file's header with IImage::LoadImageInfo and reports the time.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "image/IImage.h"
#include "image/ProcessSettings.h"
#include "image/ximage.h"

namespace {

struct Options {
    int nPercent = 50;
    int nWidth = 0; // with nHeight: a pixel size instead of a percentage
    int nHeight = 0;
    int nFormat = 0; // 0: the source's own format
    std::string strExt;
    int nQuality = 80;
    std::string strRotate;
    int nDpi = 0;
    int nJobs = 1;
    bool bInfo = false;
    std::string strOutDir;
    std::vector<std::string> files;
};

[[noreturn]] void Usage() {
    std::fprintf(
        stderr,
        "usage: resize-bench [--percent N | --size WxH] [--format jpg|png|bmp|gif|ico|tiff|pcx]\n"
        "                    [--quality Q] [--rotate left|right|flip] [--dpi N] [--jobs N]\n"
        "                    --out DIR FILE...\n"
        "       resize-bench --info FILE...\n");
    std::exit(2);
}

int FormatOf(const std::string& name) {
    if (name == "jpg")
        return CXIMAGE_FORMAT_JPG;
    if (name == "png")
        return CXIMAGE_FORMAT_PNG;
    if (name == "bmp")
        return CXIMAGE_FORMAT_BMP;
    if (name == "gif")
        return CXIMAGE_FORMAT_GIF;
    if (name == "ico")
        return CXIMAGE_FORMAT_ICO;
    if (name == "tiff")
        return CXIMAGE_FORMAT_TIF;
    if (name == "pcx")
        return CXIMAGE_FORMAT_PCX;
    Usage();
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc)
                Usage();
            return argv[++i];
        };
        if (arg == "--percent")
            o.nPercent = std::atoi(next().c_str());
        else if (arg == "--size") {
            const std::string size = next();
            if (std::sscanf(size.c_str(), "%dx%d", &o.nWidth, &o.nHeight) != 2)
                Usage();
        } else if (arg == "--format") {
            o.strExt = next();
            o.nFormat = FormatOf(o.strExt);
        } else if (arg == "--quality")
            o.nQuality = std::atoi(next().c_str());
        else if (arg == "--rotate")
            o.strRotate = next();
        else if (arg == "--dpi")
            o.nDpi = std::atoi(next().c_str());
        else if (arg == "--jobs")
            o.nJobs = std::max(1, std::atoi(next().c_str()));
        else if (arg == "--info")
            o.bInfo = true;
        else if (arg == "--out")
            o.strOutDir = next();
        else if (!arg.empty() && arg[0] == '-')
            Usage();
        else
            o.files.push_back(arg);
    }
    if (o.files.empty() || (!o.bInfo && o.strOutDir.empty()))
        Usage();
    return o;
}

// One file, the resize job's calls in its order. False when the picture did not load or save.
bool ResizeOne(const Options& o, const std::string& source) {
    IImage image(0);
    CxImage* picture = image.GetXImage();
    picture->Load(source, 0);
    const int width = picture->GetWidth();
    const int height = picture->GetHeight();
    if (width == 0 || height == 0)
        return false;
    const int newWidth = o.nWidth > 0 ? o.nWidth : width * o.nPercent / 100;
    const int newHeight = o.nHeight > 0 ? o.nHeight : height * o.nPercent / 100;
    picture->Resample(newWidth, newHeight, 1);
    if (o.strRotate == "left")
        picture->RotateLeft();
    else if (o.strRotate == "flip")
        picture->Flip();
    else if (o.strRotate == "right")
        picture->RotateRight();
    if (o.nDpi > 0) {
        picture->SetXDPI(o.nDpi);
        picture->SetYDPI(o.nDpi);
    }
    const int format = o.nFormat != 0 ? o.nFormat : picture->GetType();
    if (format == CXIMAGE_FORMAT_JPG)
        picture->SetJpegQuality(static_cast<std::uint8_t>(o.nQuality));
    if (format == CXIMAGE_FORMAT_GIF) {
        picture->SetFrame(0);
        picture->SetEncodeOption(2);
    }
    const std::filesystem::path path(source);
    const std::string ext = o.nFormat != 0 ? "." + o.strExt : path.extension().string();
    return picture->Save(o.strOutDir + "/" + path.stem().string() + ext, format);
}

} // namespace

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    const Options o = Parse(argc, argv);
    const auto start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < o.files.size(); i = next++) {
            if (o.bInfo) {
                IImage image(0);
                if (!image.LoadImageInfo(o.files[i]) || image.GetWidth() == 0)
                    ++failed;
            } else if (!ResizeOne(o, o.files[i])) {
                std::fprintf(stderr, "resize-bench: failed: %s\n", o.files[i].c_str());
                ++failed;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 1; j < o.nJobs; ++j)
        threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads)
        t.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files=%zu failed=%d seconds=%.3f\n", o.files.size(), failed.load(), seconds);
    return failed.load() == 0 ? 0 : 1;
}
