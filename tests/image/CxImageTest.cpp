// The image library's calls over pictures made at run time: every format written and read
// back, turns, sizes, colour spaces, orientation, two threads; then damaged and hostile files,
// each loaded as an empty picture without a crash and with nothing written from it.
#include "image/IImage.h"
#include "image/VipsRuntime.h"
#include "image/base/Raster.h"
#include "image/fastjpeg/DcScanReader.h"
#include "image/fastjpeg/FastJpeg.h"
#include "image/fastjpeg/JpegDecoder.h"
#include "image/fastjpeg/ProgressiveJpeg.h"
#include "image/fastjpeg/WidthReducer.h"
#include "image/ximage.h"
#include "tests/support/Bombs.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <jpeglib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <regex>

using namespace vtltest;
using vips::VImage;

namespace {

// Saved under a neutral name, so that the format must come from the bytes.
TEST(CxImage, EveryFormatWritesAndReadsBackSizeDpiBppAndFormat) {
    const std::string dir = MakeTempDir("formats");
    const std::string source = WritePicture(Gradient(96, 64), dir + "/source.png");
    CxImage expected;
    ASSERT_TRUE(expected.Load(source) && expected.Resample(60, 40, 1));
    const VImage reference = Written(expected);
    // Format, whether it keeps the resolution, whether it is lossless, bits per pixel.
    const std::tuple<int, bool, bool, int> cases[] = {
        {CXIMAGE_FORMAT_JPG, true, false, 24},   {CXIMAGE_FORMAT_BMP, true, true, 24},
        {CXIMAGE_FORMAT_GIF, false, false, 8},   {CXIMAGE_FORMAT_ICO, false, true, 32},
        {CXIMAGE_FORMAT_PNG, true, true, 24},    {CXIMAGE_FORMAT_TIF, true, true, 24},
        {CXIMAGE_FORMAT_PCX, true, true, 24},    {CXIMAGE_FORMAT_WEBP, false, false, 24},
        {CXIMAGE_FORMAT_HEIC, false, false, 24}, {CXIMAGE_FORMAT_AVIF, false, false, 24},
        {CXIMAGE_FORMAT_JXL, false, false, 24}};
    for (const auto& [format, keepsDpi, lossless, bpp] : cases) {
        SCOPED_TRACE(format);
        const std::string path = dir + "/out" + std::to_string(format) + ".data";
        CxImage picture;
        ASSERT_TRUE(picture.Load(source) && picture.Resample(60, 40, 1));
        picture.SetXDPI(300);
        picture.SetYDPI(150);
        picture.SetJpegQuality(95);
        ASSERT_TRUE(picture.Save(path, format));
        // Encoded into memory, the same file; the picture then held decoded writes it again.
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(picture.Encode(bytes, format));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ReadFile(path));
        ASSERT_TRUE(picture.Save(path + ".again", format));
        EXPECT_EQ(ReadFile(path + ".again"), ReadFile(path));
        CxImage back;
        ASSERT_TRUE(back.Load(path) && back.IsValid() && back.IsEnabled());
        EXPECT_EQ(back.GetBpp(), bpp);
        IImage info(0);
        EXPECT_TRUE(info.LoadImageInfo(path));
        EXPECT_EQ(std::make_tuple(info.GetWidth(), info.GetHeight(), info.GetXDPI(), info.GetYDPI(),
                                  info.GetImageType()),
                  std::make_tuple(60, 40, keepsDpi ? 300 : 96, keepsDpi ? 150 : 96, format));
        const double error = MeanError(reference, Decode(path));
        EXPECT_TRUE(lossless ? error == 0 : error < 4) << error;
    }
}

// The colours at the corners (top-left, top-right, bottom-left, bottom-right): R, G, B or W
// where each band is clearly on or off, ? otherwise.
// A gradient with grain in `colours`, tagged with an EXIF orientation: a picture whose every
// block differs, as a photograph's do. The grain is drawn anew unless `seed` fixes it.
VImage Grainy(int width, int height, VipsInterpretation colours, int orientation,
              std::optional<int> seed = std::nullopt) {
    auto noise = VImage::option()->set("sigma", 50.0);
    if (seed)
        noise = noise->set("seed", *seed);
    const VImage grain = VImage::gaussnoise(width, height, noise);
    VImage source = (Gradient(width, height) + grain.bandjoin(grain.rot180()).bandjoin(grain))
                        .cast(VIPS_FORMAT_UCHAR)
                        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                        .colourspace(colours)
                        .copy();
    source.set("orientation", orientation);
    return source;
}

// The picture drawn at `width` × `height` through a painter, as the preview draws it; an empty
// image when it cannot be drawn.
VImage DrawnAt(CxImage& picture, int width, int height) {
    QImage canvas(width, height, QImage::Format_RGBX8888); // rows without padding
    QPainter painter(&canvas);
    const bool drawn = picture.Draw(&painter, 0, 0, width, height);
    painter.end();
    EXPECT_TRUE(drawn);
    // Made in memory of its own before the canvas goes.
    return VImage::new_from_memory(canvas.bits(), canvas.sizeInBytes(), width, height, 4,
                                   VIPS_FORMAT_UCHAR)
        .copy()
        .copy_memory();
}

std::string Corners(const VImage& picture) {
    std::string corners;
    const int right = picture.width() - 2;
    const int bottom = picture.height() - 2;
    for (const auto& [x, y] : {std::pair{1, 1}, {right, 1}, {1, bottom}, {right, bottom}}) {
        int bands = 0;
        for (const double v : At(picture, x, y))
            bands = v > 200 ? bands * 2 + 1 : v < 60 ? bands * 2 : 64;
        corners += bands < 8 ? "?BG?R??W"[bands] : '?';
    }
    return corners;
}

// Halving or thirding the width takes the library's own reducer, one kernel for each number of
// bands: its pixels must be those of libvips' Lanczos3 on noise, which shows any shifted centre,
// wrong weight or edge. (Colour and grey JPEGs go through it in the fast road's test below.)
TEST(CxImage, WholeFactorResamplesOfEveryBandCountMatchLibvipsLanczos) {
    const std::string dir = MakeTempDir("whole");
    // Size, new size, bands (2 and 4: an alpha band opaque throughout, scaled as it is).
    const std::tuple<int, int, int, int, int> cases[] = {
        {2, 9, 1, 3, 3}, {90, 60, 30, 20, 4}, {600, 50, 300, 25, 2}};
    for (const auto& [w, h, newW, newH, bands] : cases) {
        SCOPED_TRACE(testing::Message() << w << " -> " << newW << ", " << bands << " bands");
        const int colours = bands % 2 == 0 ? bands - 1 : bands;
        VImage noise =
            (VImage::gaussnoise(w * colours, h, VImage::option()->set("sigma", 70.0)) + 128)
                .cast(VIPS_FORMAT_UCHAR)
                .bandfold(VImage::option()->set("factor", colours));
        if (colours < bands)
            noise = noise.bandjoin_const({255});
        noise = noise.copy(VImage::option()->set(
            "interpretation", bands < 3 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB));
        CxImage picture;
        ASSERT_TRUE(picture.Load(WritePicture(noise, dir + "/n.png")) &&
                    picture.Resample(newW, newH, 1));
        EXPECT_LE(MaxError(Written(picture), Lanczos(noise, newW, newH)), 1.0);
    }
}

// Damage done to the file: scan data cut short (to 60 % of the file, or inside the first
// scan, and its end marker), or scrambled (restart markers out of turn) halfway or in the
// first scan.
enum Damage { None, Cut, CutInFirstScan, Scrambled, ScrambledFirstScan };
constexpr VipsInterpretation kRgb = VIPS_INTERPRETATION_sRGB;
// The kinds of JPEG the library decodes itself: name, libvips save options, size, colours,
// orientation, damage.
const std::tuple<const char*, const char*, int, int, VipsInterpretation, int, Damage> kJpegs[] = {
    {"baseline", "[Q=85]", 604, 412, kRgb, 1, None},
    {"baseline444", "[Q=95,subsample_mode=off]", 604, 412, kRgb, 1, None},
    {"restarts", "[Q=85,restart_interval=7]", 604, 412, kRgb, 1, None},
    {"progressive", "[Q=85,interlace]", 604, 412, kRgb, 1, None},
    {"progressive444", "[Q=95,interlace,subsample_mode=off]", 604, 412, kRgb, 1, None},
    {"grey", "[Q=85,interlace]", 604, 412, VIPS_INTERPRETATION_B_W, 1, None},
    {"cmyk", "[Q=90]", 604, 412, VIPS_INTERPRETATION_CMYK, 1, None},
    {"odd-baseline", "[Q=85]", 603, 411, kRgb, 1, None},
    {"odd-progressive", "[Q=85,interlace]", 333, 157, kRgb, 1, None},
    {"turned", "[Q=85,strip=false]", 604, 412, kRgb, 6, None},
    {"turned-progressive", "[Q=85,interlace,strip=false]", 604, 412, kRgb, 3, None},
    {"cut", "[Q=85]", 604, 412, kRgb, 1, Cut},
    {"cut-progressive", "[Q=85,interlace]", 604, 412, kRgb, 1, Cut},
    {"scrambled", "[Q=85]", 604, 412, kRgb, 1, Scrambled},
    {"scrambled-progressive", "[Q=85,interlace]", 604, 412, kRgb, 1, Scrambled},
    {"scrambled-dc-444", "[Q=95,interlace,subsample_mode=off]", 604, 412, kRgb, 1,
     ScrambledFirstScan},
    {"cut-dc-444", "[Q=95,interlace,subsample_mode=off]", 604, 412, kRgb, 1, CutInFirstScan},
};

// The library decodes JPEGs itself, a progressive one on its own with a second decoder for the
// chroma scans: every kind must give the samples of libvips' own decode exactly, at every
// shrink, alone or beside another picture at work, upright whatever its orientation.
TEST(CxImage, JpegDecodesGiveLibvipsSamplesOnOneThreadOrTwo) {
    const std::string dir = MakeTempDir("jpegs");
    for (const auto& [name, options, width, height, colours, orientation, damage] : kJpegs) {
        SCOPED_TRACE(name);
        const VImage source = Grainy(width, height, colours, orientation);
        const std::string path = WritePicture(source, dir + "/" + name + ".jpg" + options);
        if (damage != None) {
            std::string bytes = ReadFile(path);
            const std::size_t at =
                damage == Scrambled ? bytes.size() / 2 : bytes.find("\xFF\xDA") + 40;
            WriteFile(path, damage == Cut ? bytes.substr(0, bytes.size() * 3 / 5) + "\xFF\xD9"
                            : damage == CutInFirstScan
                                ? bytes.substr(0, at) + "\xFF\xD9"
                                : bytes.replace(at, 8, "\xFF\xD3\xFF\xD6\xFF\xD1\x00\xFF"));
        }
        // libvips' whole decode at a shrink, upright, as displayable samples.
        const auto decoded = [&path](int shrink) {
            return VImage::new_from_file(
                       (path + "[fail_on=truncated,shrink=" + std::to_string(shrink) + "]").c_str())
                .autorot()
                .colourspace(kRgb)
                .copy_memory();
        };
        VImage whole;
        try {
            whole = decoded(1);
        } catch (const vips::VError&) {
            // A file that libvips' own decode (failing only on a cut-off file, as the library's)
            // refuses must fail to save and leave the picture empty, without a crash.
            CxImage picture;
            EXPECT_FALSE(picture.Load(path) && picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
            EXPECT_FALSE(picture.IsValid());
            continue;
        }
        // A quarter of the size leaves the Lanczos step a factor 2: decoded at half.
        const int w = whole.width() / 4;
        const int h = whole.height() / 4;
        for (const int shrink : {1, 2}) {
            for (const bool alone : {true, false}) {
                SCOPED_TRACE(testing::Message() << "shrink " << shrink << (alone ? " alone" : ""));
                std::optional<vtlimage::CPictureWork> other;
                if (!alone)
                    other.emplace();
                CxImage picture;
                ASSERT_TRUE(picture.Load(path) && (shrink == 1 || picture.Resample(w, h, 1)));
                EXPECT_EQ(
                    MaxError(Written(picture), shrink == 1 ? whole : Lanczos(decoded(2), w, h)),
                    0.0);
            }
        }
    }
}

// The fast JPEG road (image/fastjpeg/FastJpeg.h) must give the pixels of libvips' own road, so
// that a libvips whose pixels it no longer matches turns the road off, not the product. Every
// kind of picture the road takes goes through each of its steps once on it and once on libvips'
// road: a decode exactly, a width halved or thirded (the library's own reducer) within a unit, a
// first look at an eighth (read only up to a progressive file's DC scans) within 35 dB.
TEST(FastJpegRoad, GivesThePixelsOfLibvipsOwnRoad) {
    if (!vtlimage::FastJpegRoad())
        GTEST_SKIP() << "the fast JPEG road is switched off in this build (VTL_FAST_JPEG)";
    struct Restore {
        ~Restore() { vtlimage::SetFastJpegRoad(true); }
    } restore;
    const std::string dir = MakeTempDir("roads");
    // Every sound kind above, and a PNG (no save options).
    std::vector kinds(std::begin(kJpegs), std::end(kJpegs));
    kinds.emplace_back("png", "", 604, 412, kRgb, 1, None);
    std::erase_if(kinds, [](const auto& kind) { return std::get<Damage>(kind) != None; });
    // Each step of the road and the largest difference allowed between the roads (for the
    // first look, the least PSNR in dB; the grain is the same at every run, so it is always
    // the same margin).
    enum Step { Decode, Quarter, Third, Eighth };
    const std::tuple<Step, const char*, double> steps[] = {
        {Decode, "decoded whole", 0.0},
        {Quarter, "a quarter (decoded at half, width halved)", 1.0},
        {Third, "width thirded", 1.0},
        {Eighth, "drawn at an eighth", 35.0},
    };
    std::map<std::string, std::string> paths;
    for (const auto& [name, options, width, height, colours, orientation, damage] : kinds)
        paths[name] = WritePicture(Grainy(width, height, colours, orientation, 1),
                                   dir + "/" + name + (*options ? ".jpg" : ".png") + options);
    // Each door of the road takes a picture while the road is on, and hands every one back to
    // libvips' road while it is off.
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "road on" : "road off");
        vtlimage::SetFastJpegRoad(on);
        const VImage header = VImage::jpegload(paths["baseline"].c_str());
        EXPECT_EQ(vtlimage::DecodeJpeg(paths["baseline"], 1, header, false).has_value(), on);
        vtlimage::Raster firstLook;
        EXPECT_EQ(vtlimage::DecodeProgressiveDc(paths["progressive"], firstLook), on);
        EXPECT_EQ(vtlimage::CanReduceWidth(header, header.width() / 2), on);
    }
    for (const auto& [name, options, width, height, colours, orientation, damage] : kinds) {
        const std::string& path = paths[name];
        const int w = orientation >= 5 ? height : width;
        const int h = orientation >= 5 ? width : height;
        const auto made = [&](Step step) {
            CxImage picture;
            EXPECT_TRUE(picture.Load(path));
            if (step == Eighth)
                return DrawnAt(picture, w / 8, h / 8);
            EXPECT_TRUE(step == Quarter ? picture.Resample(w / 4, h / 4, 1)
                        : step == Third ? picture.Resample(w / 3, h, 1)
                                        : true);
            return Written(picture);
        };
        for (const auto& [step, what, tolerance] : steps) {
            SCOPED_TRACE(testing::Message() << name << ", " << what);
            vtlimage::SetFastJpegRoad(false);
            const VImage plain = made(step);
            vtlimage::SetFastJpegRoad(true);
            const VImage fast = made(step);
            if (step == Eighth) {
                EXPECT_GT(Psnr(plain, fast), tolerance);
            } else {
                EXPECT_LE(MaxError(plain, fast), tolerance);
            }
        }
    }
}

// A progressive JPEG written by libjpeg with the given luma sampling (chroma at 1), restart
// interval and scans (none: libjpeg's own progression); black, white and noisy blocks.
std::string WriteProgressive(const std::string& path, int width, int height, int components,
                             int lumaH, int lumaV, unsigned restart,
                             const std::vector<jpeg_scan_info>& scans) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    info.comp_info[0].h_samp_factor = lumaH;
    info.comp_info[0].v_samp_factor = lumaV;
    info.restart_interval = restart;
    jpeg_simple_progression(&info);
    if (!scans.empty()) {
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width * components));
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width * components; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
                x < width / 4 ? (y % 64 < 32 ? 255 : 0) : (x * 7 + y * 13 + (x * y) % 97) & 255);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return path;
}

// The first look at a progressive JPEG comes from our own reader of its DC scans, which must
// give libjpeg's own DC-only draw sample for sample; a file it leaves goes to libjpeg.
TEST(FastJpegRoad, DcScanReaderGivesLibjpegsEighthSampleForSample) {
    if (!vtlimage::FastJpegRoad())
        GTEST_SKIP() << "the fast JPEG road is switched off in this build (VTL_FAST_JPEG)";
    const std::string dir = MakeTempDir("dcscans");
    // A scan: components, their indices, spectral start and end, successive approximation.
    const std::vector<jpeg_scan_info> ownScans = {
        {1, {0}, 0, 0, 0, 1}, {1, {0}, 0, 0, 1, 0},  {1, {1}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0},
        {1, {2}, 0, 0, 0, 0}, {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0}};
    const std::vector<jpeg_scan_info> chromaAcFirst = {{2, {0, 1}, 0, 0, 0, 0},
                                                       {1, {1}, 1, 63, 0, 0},
                                                       {1, {2}, 0, 0, 0, 0},
                                                       {1, {0}, 1, 63, 0, 0},
                                                       {1, {2}, 1, 63, 0, 0}};
    // Where the file is cut: not, a little into the scan after the DC scans, or into the DC scan.
    enum Cut { Whole, AfterDc, InDc };
    // Name, size, components, luma sampling, restart interval, scans, cut, whether the DC reader
    // takes it and whether libjpeg draws it.
    const std::tuple<const char*, int, int, int, int, int, unsigned, std::vector<jpeg_scan_info>,
                     Cut, bool, bool>
        cases[] = {
            {"4:2:0", 604, 412, 3, 2, 2, 0, {}, Whole, true, true},
            {"4:4:4", 333, 157, 3, 1, 1, 0, {}, Whole, true, true},
            {"4:2:2", 331, 161, 3, 2, 1, 0, {}, Whole, true, true},
            {"grey", 333, 157, 1, 1, 1, 0, {}, Whole, true, true},
            {"restart markers", 333, 157, 3, 2, 2, 3, {}, Whole, true, true},
            {"restart markers, one component a scan", 333, 157, 3, 2, 2, 5, ownScans, Whole, true,
             true},
            {"DC refined, luma detail before the last DC", 604, 412, 3, 2, 2, 0, ownScans, Whole,
             true, true},
            {"cut after the DC scans", 604, 412, 3, 2, 2, 0, {}, AfterDc, true, true},
            {"chroma detail before the last DC", 604, 412, 3, 2, 2, 0, chromaAcFirst, Whole, false,
             true},
            {"cut in the DC scan", 604, 412, 3, 2, 2, 0, {}, InDc, false, false},
        };
    for (const auto& [name, width, height, components, lumaH, lumaV, restart, scans, cut, takes,
                      draws] : cases) {
        SCOPED_TRACE(name);
        const std::string path = WriteProgressive(dir + "/" + name + ".jpg", width, height,
                                                  components, lumaH, lumaV, restart, scans);
        if (cut != Whole) {
            std::string bytes = ReadFile(path);
            const std::size_t firstScan = bytes.find("\xFF\xDA");
            const std::size_t secondScan = bytes.find("\xFF\xDA", firstScan + 2);
            ASSERT_NE(secondScan, std::string::npos);
            bytes.resize(cut == InDc ? firstScan + 40 : secondScan + 300);
            WriteFile(path, bytes);
        }
        vtlimage::Raster own, fallback, libjpeg;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        const bool read = vtlimage::ReadDcScans(file, components == 1, own);
        std::fclose(file);
        EXPECT_EQ(std::tuple(read, vtlimage::DecodeProgressiveDcThroughLibjpeg(path, libjpeg),
                             vtlimage::DecodeProgressiveDc(path, fallback)),
                  std::tuple(takes, draws, draws));
        for (const vtlimage::Raster* made : {&own, &fallback}) {
            if (made == &own ? !takes : !draws)
                continue;
            EXPECT_EQ(std::tuple(made->nWidth, made->nHeight, made->nBands),
                      std::tuple((width + 7) / 8, (height + 7) / 8, libjpeg.nBands));
            EXPECT_TRUE(made->pixels == libjpeg.pixels) << "sample for sample";
        }
    }
    // Random damage to the headers and DC scans of one of them: the reader refuses it or reads
    // a picture, never outside its buffers (AddressSanitizer: make test-asan).
    std::mt19937 random(20261208);
    const auto below = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::string seed = ReadFile(dir + "/restart markers, one component a scan.jpg");
    constexpr int kRounds = 3000;
    int read = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::string bytes = seed;
        for (std::size_t edits = 1 + below(4); edits > 0; --edits)
            bytes[below(std::min<std::size_t>(bytes.size(), 4096))] = static_cast<char>(below(256));
        std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
        vtlimage::Raster raster;
        read += vtlimage::ReadDcScans(file, false, raster);
        std::fclose(file);
    }
    EXPECT_GT(read, 0);
    EXPECT_LT(read, kRounds);
}

TEST(CxImage, OrientedJpegsComeOutUprightWithTheirExif) {
    const std::string dir = MakeTempDir("orient");
    const std::string upright = WritePicture(Quadrants(60, 40), dir + "/upright.png");
    // Stored 60 × 40 as red, green, blue and white quadrants ("RGBW"), each orientation shows
    // its corners so; the turns and the flip show them as three of the orientations do.
    using Turn = bool (CxImage::*)();
    const std::tuple<int, const char*, Turn> rows[] = {
        {3, "WBGR", nullptr},
        {4, "BWRG", &CxImage::Flip},
        {6, "BRWG", &CxImage::RotateRight},
        {8, "GWRB", &CxImage::RotateLeft},
    };
    for (const auto& [orientation, corners, turn] : rows) {
        SCOPED_TRACE(orientation);
        VImage stored = Quadrants(60, 40).copy();
        stored.set("orientation", orientation);
        const std::string source = WritePicture(stored, dir + "/o.jpg[Q=95]");
        const auto size = orientation < 5 ? std::pair{60, 40} : std::pair{40, 60};
        IImage info(0);
        ASSERT_TRUE(info.LoadImageInfo(source));
        EXPECT_EQ(std::make_pair(info.GetWidth(), info.GetHeight()), size);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source) && picture.Save(dir + "/up.jpg", CXIMAGE_FORMAT_JPG));
        // Read without any turning: the pixels themselves are upright, the tag reset.
        const VImage back = VImage::new_from_file((dir + "/up.jpg").c_str());
        EXPECT_EQ(std::make_pair(back.width(), back.height()), size);
        EXPECT_TRUE(back.get_typeof("orientation") == 0 || back.get_int("orientation") == 1);
        EXPECT_NE(back.get_typeof("exif-data"), 0u) << "the camera data is kept";
        EXPECT_EQ(Corners(back), corners);
        if (turn) {
            CxImage turned;
            ASSERT_TRUE(turned.Load(upright) && (turned.*turn)());
            EXPECT_EQ(Corners(Written(turned)), corners) << "turned";
        }
    }
    // A progressive JPEG made a sixteenth of its size or less is read only up to its first
    // scans; its camera data is kept all the same.
    VImage tagged = Quadrants(640, 480).copy();
    tagged.set("orientation", 6);
    tagged.set("exif-ifd0-Make", "Vantrel test");
    CxImage small;
    ASSERT_TRUE(small.Load(WritePicture(tagged, dir + "/p.jpg[Q=90,interlace]")) &&
                small.Resample(24, 32, 1) && small.Save(dir + "/small.jpg", CXIMAGE_FORMAT_JPG));
    const VImage kept = VImage::new_from_file((dir + "/small.jpg").c_str());
    EXPECT_EQ(std::make_pair(kept.width(), kept.height()), std::make_pair(24, 32));
    EXPECT_NE(kept.get_typeof("exif-ifd0-Make"), 0u) << "the camera data is kept";
}

// A HEIF turns by its own transforms and never by its EXIF orientation, which libvips' saver
// still writes there; WebP and TIFF obey theirs. Saved in their own format, they keep the
// camera data their format carries.
TEST(CxImage, TodaysFormatsComeOutUprightOnceWithTheirData) {
    const std::string dir = MakeTempDir("today");
    // Through a JPEG, so that every saver finds an EXIF block to write.
    VImage camera = Quadrants(60, 40).copy();
    camera.set("orientation", 6);
    camera.set("exif-ifd0-Make", "Vantrel test");
    static const char kXmp[] = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"></x:xmpmeta>";
    camera.set("xmp-data", nullptr, const_cast<char*>(kXmp), sizeof kXmp - 1);
    const VImage tagged =
        VImage::new_from_file(WritePicture(camera, dir + "/t.jpg[Q=95,profile=srgb]").c_str());
    // Output, its format, its corners, whether it keeps the camera data, the colour profile and
    // the XMP packet (libvips 8.14 carries no XMP through JPEG XL).
    const std::tuple<const char*, int, const char*, bool, bool, bool> rows[] = {
        {"o.heic[Q=95]", CXIMAGE_FORMAT_HEIC, "RGBW", true, false, false},
        {"o.webp[Q=95]", CXIMAGE_FORMAT_WEBP, "BRWG", true, false, false},
        {"o.tif", CXIMAGE_FORMAT_TIF, "BRWG", false, true, true},
        {"o.jxl[Q=95]", CXIMAGE_FORMAT_JXL, "RGBW", false, true, false}};
    for (const auto& [name, format, corners, exif, icc, xmp] : rows) {
        SCOPED_TRACE(name);
        const std::string source = WritePicture(tagged, dir + "/" + name);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        const std::string out = dir + "/out" + std::to_string(format);
        ASSERT_TRUE(picture.Resample(picture.GetWidth() / 2, picture.GetHeight() / 2, 1) &&
                    picture.Save(out, picture.GetType()));
        EXPECT_EQ(Corners(Decode(out)), corners);
        EXPECT_EQ(Inspect(out).type, format);
        const VImage back = VImage::new_from_file(out.c_str());
        EXPECT_EQ(back.get_typeof("exif-ifd0-Make") != 0, exif) << "the camera data";
        EXPECT_TRUE(!icc || back.get_typeof("icc-profile-data") != 0) << "the colour profile";
        EXPECT_TRUE(!xmp || back.get_typeof("xmp-data") != 0) << "the XMP packet";
    }
}

// An animated GIF or WebP keeps its frames, their delays and its loop count when it is written
// as GIF or WebP, each frame sized and turned alike; any other format takes the first frame.
// Its frames together are held to the pixel limit, as one picture is.
TEST(CxImage, AnimationsKeepEveryFrame) {
    const std::string dir = MakeTempDir("anim");
    const std::vector<double> colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    VImage frames;
    for (const auto& colour : colours) {
        const VImage frame = (VImage::black(40, 30) + colour).cast(VIPS_FORMAT_UCHAR);
        frames = frames.is_null() ? frame : frames.join(frame, VIPS_DIRECTION_VERTICAL);
    }
    frames = frames.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    frames.set("page-height", 30);
    frames.set("delay", std::vector<int>{50, 100, 150});
    frames.set("loop", 2);
    for (const char* name : {"a.gif", "a.webp"}) {
        SCOPED_TRACE(name);
        CxImage picture;
        ASSERT_TRUE(picture.Load(WritePicture(frames, dir + "/" + name)));
        EXPECT_EQ(std::pair(picture.GetWidth(), picture.GetHeight()), std::pair(40, 30));
        ASSERT_TRUE(picture.Resample(20, 16, 1) && picture.RotateRight());
        for (const int format : {CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_WEBP}) {
            const std::string out = dir + "/out" + std::to_string(format);
            ASSERT_TRUE(picture.Save(out, format));
            const VImage back = VImage::new_from_file(
                out.c_str(), VImage::option()->set("n", -1)->set("access", VIPS_ACCESS_RANDOM));
            ASSERT_EQ(std::tuple(back.width(), back.height(), back.get_int("page-height"),
                                 back.get_array_int("delay"), back.get_int("loop")),
                      std::tuple(16, 60, 20, std::vector<int>{50, 100, 150}, 2));
        }
        ASSERT_TRUE(picture.Save(dir + "/first.png", CXIMAGE_FORMAT_PNG));
        EXPECT_EQ(Inspect(dir + "/first.png"), (PictureFacts{16, 20, CXIMAGE_FORMAT_PNG}));
        EXPECT_EQ(Corners(Decode(dir + "/first.png")), "RRRR");
    }
    // Four frames of 10000 x 10000 claim 400 megapixels: refused before any is decoded.
    std::string bomb =
        "GIF89a" + Le16(10000) + Le16(10000) + std::string("\xF0\0\0\0\0\0\xFF\xFF\xFF", 9);
    for (int i = 0; i < 4; ++i)
        bomb += std::string("\x21\xF9\x04\0\x0A\0\0\0\x2C\0\0\0\0", 13) + Le16(10000) +
                Le16(10000) + std::string("\0\x02\x02\x44\x01\0", 6);
    WriteFile(dir + "/bomb.gif", bomb + ";");
    CxImage refused;
    EXPECT_FALSE(refused.Load(dir + "/bomb.gif"));
}

// The hidden colour of transparent pixels (red here, beside opaque white) never bleeds into the
// visible ones when the picture is made smaller.
TEST(CxImage, AShrunkTransparentPictureShowsNoHiddenColour) {
    const std::string dir = MakeTempDir("alpha");
    const VImage clear = VImage::black(50, 40) + std::vector<double>{255, 0, 0, 0};
    const VImage white = VImage::black(50, 40) + std::vector<double>{255, 255, 255, 255};
    CxImage alpha;
    ASSERT_TRUE(alpha.Load(
        WritePicture(clear.join(white, VIPS_DIRECTION_HORIZONTAL)
                         .cast(VIPS_FORMAT_UCHAR)
                         .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)),
                     dir + "/alpha.png")));
    ASSERT_TRUE(alpha.Resample(25, 20, 1));
    const VImage shrunk = Written(alpha);
    ASSERT_EQ(shrunk.bands(), 4);
    for (int x = 10; x < 16; ++x) {
        const std::vector<double> pixel = shrunk.getpoint(x, 10);
        EXPECT_TRUE(pixel[3] <= 16 || pixel[1] > 200) << "pink at " << x;
    }
}

// `file` with `bytes` written over it at `at`.
std::string Patched(std::string file, std::size_t at, const std::string& bytes) {
    return file.replace(at, bytes.size(), bytes);
}

TEST(CxImageBadInput, DamagedOrHostileFilesLoadEmpty) {
    const std::string dir = MakeTempDir("bad");
    const std::string jpeg = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.jpg"));
    const std::string png = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.png"));
    const std::string bmp = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.bmp"));
    // A PNG header claiming 100000 × 100000 pixels, with its checksum made right.
    const std::string hugePng = Patched(png, 16, Be32(100000) + Be32(100000));
    const auto* ihdr = reinterpret_cast<const Bytef*>(hugePng.data() + 12);
    std::vector<std::pair<std::string, std::string>> cases = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() * 3 / 4)},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"empty.jpg", ""},
        {"huge.png", Patched(hugePng, 29, Be32(crc32(0, ihdr, 17)))},
        {"huge.jpg", Patched(jpeg, jpeg.find("\xFF\xC0") + 5, Be32(0xEA60EA60))}, // 60000²
        {"huge.bmp", Patched(bmp, 18, Le32(100000) + Le32(100000))},
        {"short.bmp", bmp.substr(0, bmp.size() / 2)},
        {"negative.bmp", Patched(bmp, 18, Le32(static_cast<std::uint32_t>(-5)))},
        {"pcx-header-only.pcx", std::string("\x0a\x05\x01\x08", 4) + std::string(124, '\0')},
        {"ico-directory-only.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, '\xff')},
    };
    for (const std::string ext : {"heic", "avif", "webp", "jxl", "tif"}) {
        const std::string good = ReadFile(WritePicture(Gradient(300, 200), dir + "/good." + ext));
        cases.emplace_back("truncated." + ext, good.substr(0, good.size() / 2));
    }
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteFile(dir + "/" + name, bytes);
        testing::internal::CaptureStderr();
        CxImage picture;
        picture.Load(dir + "/" + name);
        // A damaged file may pass the header and fail when its pixels are decoded; either way
        // the picture ends empty, nothing is written, and no decoder warning reaches the
        // terminal.
        const bool saved = picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG);
        EXPECT_EQ(std::make_tuple(saved, testing::internal::GetCapturedStderr(), picture.GetWidth(),
                                  picture.IsValid(), std::filesystem::exists(dir + "/out.png")),
                  std::make_tuple(false, std::string(), 0, false, false));
    }
}

// The process's peak resident memory so far, in bytes.
std::uint64_t PeakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    return 0;
}

// Decompression bombs just under the pixel limit (tests/support/Bombs.cpp): a sound one loads
// and is drawn as the preview draws it (decoded as it streams and scaled, as the road does); a
// damaged or hostile one is refused, without taking the memory of the picture it claims
// (bench/memory-bombs measures what each costs, through the road and the preview).
class CxImageBomb : public testing::TestWithParam<Bomb> {};

TEST_P(CxImageBomb, LoadsOrIsRefusedCleanly) {
    const Bomb& bomb = GetParam();
    const std::string dir = MakeTempDir("bomb");
    const std::string path = dir + "/" + bomb.name;
    ASSERT_TRUE(WriteBomb(bomb.name, path));
    const std::uint64_t peakBefore = PeakResident();
    CxImage picture;
    const bool loaded = picture.Load(path);
    QImage pane(200, 200, QImage::Format_RGBX8888);
    pane.fill(Qt::white);
    QPainter painter(&pane);
    const bool drawn = loaded && picture.Draw(&painter, 0, 0, 200, 200);
    painter.end();
    if (!bomb.loads) {
        const bool saved =
            picture.Resample(100, 100, 1) && picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG);
        EXPECT_EQ(std::make_tuple(drawn, picture.IsValid(), saved,
                                  std::filesystem::exists(dir + "/out.png")),
                  std::make_tuple(false, false, false, false));
        EXPECT_LT(PeakResident() - peakBefore, std::uint64_t{64} << 20)
            << "refused before taking the memory of the picture it claims";
        return;
    }
    ASSERT_TRUE(drawn);
    // The colour where the picture has it, each band within 8: rle8.bmp a red bar at its bottom
    // left on black, one-colour.png blue, one-strip.tif grey.
    const std::map<std::string, std::vector<std::tuple<int, int, QColor>>> expected = {
        {"rle8.bmp", {{0, 199, QColor(255, 0, 0)}, {100, 100, QColor(0, 0, 0)}}},
        {"one-colour.png", {{100, 100, QColor(40, 90, 160)}}},
        {"one-strip.tif", {{100, 100, QColor(128, 128, 128)}}}};
    for (const auto& [x, y, colour] : expected.at(bomb.name)) {
        const QColor seen = pane.pixelColor(x, y);
        for (const auto band : {&QColor::red, &QColor::green, &QColor::blue})
            EXPECT_LE(std::abs((seen.*band)() - (colour.*band)()), 8)
                << seen.name().toStdString() << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Bombs, CxImageBomb, testing::ValuesIn(Bombs()), [](const auto& info) {
    return std::regex_replace(info.param.name, std::regex("[^a-zA-Z0-9]"), "_");
});

TEST(CxImageBadInput, OnlyRegularFilesAreRead) {
    const std::string dir = MakeTempDir("special");
    std::filesystem::create_directory(dir + "/folder.jpg");
    ASSERT_EQ(mkfifo((dir + "/pipe.jpg").c_str(), 0600), 0);
    for (const std::string& path :
         {dir + "/folder.jpg", dir + "/pipe.jpg", std::string("/dev/zero"), dir + "/missing.jpg"}) {
        SCOPED_TRACE(path);
        CxImage picture;
        EXPECT_FALSE(picture.Load(path)); // a pipe would block here if it were opened
        IImage info(0);
        EXPECT_FALSE(info.LoadImageInfo(path));
        EXPECT_EQ(std::make_tuple(info.GetWidth(), info.GetHeight(), info.GetImageType()),
                  std::make_tuple(0, 0, 0));
    }
}

} // namespace
