#include "image/ximage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "image/IImage.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/Sandbox.h"

using namespace imagetest;
using vips::VImage;

namespace {

struct FormatCase {
    const char* name;
    int format;
    bool keepsDpi;
    bool lossless;
    int bpp; // of a 24-bit picture written in this format and read back
};

const FormatCase kFormats[] = {
    {"jpg", CXIMAGE_FORMAT_JPG, true, false, 24}, {"bmp", CXIMAGE_FORMAT_BMP, true, true, 24},
    {"gif", CXIMAGE_FORMAT_GIF, false, false, 8}, {"ico", CXIMAGE_FORMAT_ICO, false, true, 32},
    {"png", CXIMAGE_FORMAT_PNG, true, true, 24},  {"tif", CXIMAGE_FORMAT_TIF, true, true, 24},
    {"pcx", CXIMAGE_FORMAT_PCX, true, true, 24},
};

} // namespace

TEST(CxImage, EveryFormatWritesAndReadsBackSizeDpiBppAndFormat) {
    const std::string dir = vtltest::MakeTempDir("formats");
    const std::string source = WriteVips(Gradient(96, 64), dir, "source.png");
    CxImage expected;
    ASSERT_TRUE(expected.Load(source, 0));
    ASSERT_TRUE(expected.Resample(60, 40, 1));
    ASSERT_TRUE(expected.Save(dir + "/expected.png", CXIMAGE_FORMAT_PNG));
    const VImage reference = VImage::new_from_file((dir + "/expected.png").c_str());

    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.name);
        // Saved under a neutral name: the format must come from the bytes.
        const std::string path = dir + "/out-" + c.name + ".data";
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        ASSERT_TRUE(picture.Resample(60, 40, 1));
        picture.SetXDPI(300);
        picture.SetYDPI(150);
        picture.SetJpegQuality(95);
        ASSERT_TRUE(picture.Save(path, c.format));

        CxImage back;
        ASSERT_TRUE(back.Load(path, 0));
        EXPECT_EQ(back.GetType(), c.format);
        EXPECT_EQ(back.GetWidth(), 60);
        EXPECT_EQ(back.GetHeight(), 40);
        EXPECT_EQ(back.GetXDPI(), c.keepsDpi ? 300 : 96);
        EXPECT_EQ(back.GetYDPI(), c.keepsDpi ? 150 : 96);
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_TRUE(back.IsValid());
        EXPECT_TRUE(back.IsEnabled());

        IImage info(0);
        EXPECT_TRUE(info.LoadImageInfo(path));
        EXPECT_EQ(info.GetWidth(), 60);
        EXPECT_EQ(info.GetHeight(), 40);
        EXPECT_EQ(info.GetXDPI(), c.keepsDpi ? 300 : 96);
        EXPECT_EQ(info.GetYDPI(), c.keepsDpi ? 150 : 96);
        EXPECT_EQ(info.GetImageType(), c.format);

        const double error = MeanError(reference, DecodeWithLibrary(path));
        if (c.lossless)
            EXPECT_EQ(error, 0.0);
        else
            EXPECT_LT(error, 4.0);
    }
}

TEST(CxImage, FewColourPicturesStayEightBitInBmpPcxAndGif) {
    const std::string dir = vtltest::MakeTempDir("palette");
    const VImage quadrants = Quadrants(40, 30);
    const std::string source = WriteVips(quadrants, dir, "q.png[palette]");
    for (const int format :
         {CXIMAGE_FORMAT_BMP, CXIMAGE_FORMAT_PCX, CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_PNG}) {
        SCOPED_TRACE(format);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        EXPECT_EQ(picture.GetBpp(), 8);
        const std::string path = dir + "/out" + std::to_string(format);
        ASSERT_TRUE(picture.Save(path, format));
        CxImage back;
        ASSERT_TRUE(back.Load(path, 0));
        EXPECT_EQ(back.GetBpp(), 8);
        EXPECT_EQ(MeanError(quadrants, DecodeWithLibrary(path)), 0.0)
            << "a palette picture keeps its colours";
    }
}

TEST(CxImage, FormatIsDetectedFromBytesNotName) {
    const std::string dir = vtltest::MakeTempDir("detect");
    const std::string png = WriteVips(Gradient(20, 10), dir, "x.png");
    std::filesystem::rename(png, dir + "/really-png.jpg");
    CxImage picture;
    ASSERT_TRUE(picture.Load(dir + "/really-png.jpg", 0));
    EXPECT_EQ(picture.GetType(), CXIMAGE_FORMAT_PNG);
    EXPECT_FALSE(picture.Load(dir + "/really-png.jpg", CXIMAGE_FORMAT_JPG))
        << "an insisted format must match";
    EXPECT_EQ(picture.GetWidth(), 0);
}

TEST(CxImage, RotationsAndFlipTurnTheCorners) {
    const std::string dir = vtltest::MakeTempDir("turn");
    const std::string source = WriteVips(Quadrants(40, 20), dir, "q.png");
    const std::vector<double> red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255},
        white{255, 255, 255};
    struct Case {
        const char* name;
        bool (CxImage::*turn)();
        int width, height;
        std::vector<double> topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {"left", &CxImage::RotateLeft, 20, 40, green, white, red, blue},
        {"right", &CxImage::RotateRight, 20, 40, blue, red, white, green},
        {"flip", &CxImage::Flip, 40, 20, blue, white, red, green},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        ASSERT_TRUE((picture.*c.turn)());
        EXPECT_EQ(picture.GetWidth(), c.width);
        EXPECT_EQ(picture.GetHeight(), c.height);
        const std::string out = dir + "/" + c.name + ".png";
        ASSERT_TRUE(picture.Save(out, CXIMAGE_FORMAT_PNG));
        const VImage result = VImage::new_from_file(out.c_str());
        EXPECT_EQ(At(result, 1, 1), c.topLeft);
        EXPECT_EQ(At(result, c.width - 2, 1), c.topRight);
        EXPECT_EQ(At(result, 1, c.height - 2), c.bottomLeft);
        EXPECT_EQ(At(result, c.width - 2, c.height - 2), c.bottomRight);
    }
}

TEST(CxImage, ResampleGivesExactlyTheAskedSizeAndRefusesEmptySizes) {
    const std::string dir = vtltest::MakeTempDir("resample");
    const std::string source = WriteVips(Gradient(1001, 777), dir, "g.jpg[Q=90]");
    const std::pair<int, int> sizes[] = {{330, 256}, {1, 1}, {1001, 1}, {2000, 1500}, {7, 777}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        ASSERT_TRUE(picture.Resample(w, h, 1));
        EXPECT_EQ(picture.GetWidth(), w);
        EXPECT_EQ(picture.GetHeight(), h);
        const std::string out = dir + "/out.png";
        ASSERT_TRUE(picture.Save(out, CXIMAGE_FORMAT_PNG));
        const VImage back = VImage::new_from_file(out.c_str());
        EXPECT_EQ(back.width(), w);
        EXPECT_EQ(back.height(), h);
    }
    CxImage picture;
    ASSERT_TRUE(picture.Load(source, 0));
    EXPECT_FALSE(picture.Resample(0, 100, 1));
    EXPECT_FALSE(picture.Resample(100, -5, 1));
    EXPECT_EQ(picture.GetWidth(), 1001) << "a refused size keeps the picture";
}

TEST(CxImage, DecoderShrinkMatchesAFullDecode) {
    const std::string dir = vtltest::MakeTempDir("shrink");
    const std::string source = WriteVips(Gradient(1600, 1200), dir, "big.jpg[Q=95]");
    const std::pair<int, int> targets[] = {{100, 75}, {200, 150}, {390, 290}, {800, 600}};
    for (const auto& [w, h] : targets) {
        SCOPED_TRACE(w);
        const VImage full =
            VImage::new_from_file(source.c_str())
                .resize(static_cast<double>(w) / 1600,
                        VImage::option()->set("vscale", static_cast<double>(h) / 1200));
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        ASSERT_TRUE(picture.Resample(w, h, 1));
        ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
        EXPECT_GT(Psnr(full, VImage::new_from_file((dir + "/out.png").c_str())), 40.0);
    }
}

// Halving or thirding the width takes the library's own reducer: its pixels must be those of
// libvips' Lanczos3 on noise, which shows any shifted centre, wrong weight or edge.
TEST(CxImage, WholeFactorResamplesMatchLibvipsLanczos) {
    StartVips();
    const std::string dir = vtltest::MakeTempDir("whole");
    struct Case {
        int width, height, newWidth, newHeight, bands;
    };
    const Case cases[] = {{602, 401, 301, 200, 3}, {603, 300, 201, 300, 3}, {2, 9, 1, 3, 3},
                          {640, 480, 320, 240, 1}, {90, 60, 30, 20, 4},     {600, 50, 300, 25, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " -> " + std::to_string(c.newWidth) + ", " +
                     std::to_string(c.bands) + " bands");
        VImage noise = VImage::gaussnoise(c.width, c.height, VImage::option()->set("sigma", 70.0));
        for (int b = 1; b < c.bands; ++b)
            noise = noise.bandjoin(
                VImage::gaussnoise(c.width, c.height, VImage::option()->set("sigma", 70.0)));
        noise = (noise + 128).cast(VIPS_FORMAT_UCHAR);
        if (c.bands % 2 == 0) // an alpha band that is opaque throughout: scaled as it is
            noise = noise.extract_band(0, VImage::option()->set("n", c.bands - 1))
                        .bandjoin_const({255});
        noise = noise.copy(VImage::option()->set(
            "interpretation", c.bands < 3 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB));
        const std::string source = WriteVips(noise, dir, "n.png");
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        ASSERT_TRUE(picture.Resample(c.newWidth, c.newHeight, 1));
        ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
        VImage expected =
            noise.resize(static_cast<double>(c.newWidth) / c.width,
                         VImage::option()
                             ->set("vscale", static_cast<double>(c.newHeight) / c.height)
                             ->set("kernel", VIPS_KERNEL_LANCZOS3));
        const VImage got = VImage::new_from_file((dir + "/out.png").c_str());
        ASSERT_EQ(got.width(), c.newWidth);
        if (got.bands() != expected.bands()) // grey comes back as RGB
            expected = expected.colourspace(VIPS_INTERPRETATION_sRGB);
        EXPECT_LE((got.cast(VIPS_FORMAT_INT) - expected.cast(VIPS_FORMAT_INT)).abs().max(), 1.0);
    }
}

// PNG is written with its own filter and level, chosen for speed: the file must stay lossless
// and no more than 5 % larger than libvips' default PNG of the same pixels.
TEST(CxImage, PngStaysLosslessAndNoLargerThanTheDefault) {
    StartVips();
    const std::string dir = vtltest::MakeTempDir("pngsize");
    const VImage grain =
        VImage::gaussnoise(640, 480, VImage::option()->set("sigma", 40.0)).gaussblur(1.5);
    const VImage photo =
        (Gradient(640, 480) + grain.bandjoin(grain).bandjoin(grain))
            .cast(VIPS_FORMAT_UCHAR)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const std::string source = WriteVips(photo, dir, "photo.tif");
    CxImage picture;
    ASSERT_TRUE(picture.Load(source, 0));
    ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
    const VImage back = VImage::new_from_file((dir + "/out.png").c_str());
    EXPECT_EQ((back - photo).abs().max(), 0.0);
    const std::string plain = WriteVips(photo, dir, "default.png");
    EXPECT_LE(Slurp(dir + "/out.png").size() * 100, Slurp(plain).size() * 105);
}

TEST(CxImage, JpegQualityIsUsedAndMetadataKept) {
    const std::string dir = vtltest::MakeTempDir("quality");
    VImage gradient = Gradient(400, 300).copy();
    gradient.set("orientation", 1);
    const std::string source = WriteVips(gradient, dir, "g.jpg[Q=98]");
    std::size_t sizes[2] = {0, 0};
    const int qualities[2] = {30, 95};
    for (int i = 0; i < 2; ++i) {
        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        picture.SetJpegQuality(static_cast<std::uint8_t>(qualities[i]));
        const std::string out = dir + "/q" + std::to_string(qualities[i]) + ".jpg";
        ASSERT_TRUE(picture.Save(out, CXIMAGE_FORMAT_JPG));
        sizes[i] = Slurp(out).size();
        const VImage back = VImage::new_from_file(out.c_str());
        EXPECT_NE(back.get_typeof("exif-data"), 0u) << "EXIF is kept";
    }
    EXPECT_LT(sizes[0] * 10, sizes[1] * 6) << sizes[0] << " vs " << sizes[1];
}

TEST(CxImage, OrientedJpegsComeOutUpright) {
    const std::string dir = vtltest::MakeTempDir("orient");
    // Stored 60 x 40 with red top-left; orientation 6 shows it turned clockwise (red top-right),
    // orientation 8 counter-clockwise (red bottom-left).
    struct Case {
        int orientation;
        int redX, redY;
    };
    const Case cases[] = {{6, 38, 1}, {8, 1, 58}, {3, 58, 38}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        VImage stored = Quadrants(60, 40).copy();
        stored.set("orientation", c.orientation);
        const std::string source =
            WriteVips(stored, dir, "o" + std::to_string(c.orientation) + ".jpg[Q=95]");
        const bool turned = c.orientation != 3;
        const int w = turned ? 40 : 60;
        const int h = turned ? 60 : 40;

        IImage info(0);
        ASSERT_TRUE(info.LoadImageInfo(source));
        EXPECT_EQ(info.GetWidth(), w);
        EXPECT_EQ(info.GetHeight(), h);

        CxImage picture;
        ASSERT_TRUE(picture.Load(source, 0));
        EXPECT_EQ(picture.GetWidth(), w);
        EXPECT_EQ(picture.GetHeight(), h);
        const std::string out = dir + "/up" + std::to_string(c.orientation) + ".jpg";
        ASSERT_TRUE(picture.Save(out, CXIMAGE_FORMAT_JPG));
        // Read without any turning: the pixels themselves must be upright, the tag reset.
        const VImage back = VImage::new_from_file(out.c_str());
        EXPECT_EQ(back.width(), w);
        EXPECT_EQ(back.height(), h);
        EXPECT_TRUE(back.get_typeof("orientation") == 0 || back.get_int("orientation") == 1);
        const std::vector<double> red = At(back, c.redX, c.redY);
        EXPECT_GT(red[0], 200);
        EXPECT_LT(red[1], 60);
        EXPECT_LT(red[2], 60);
    }
}

TEST(CxImage, GifReductionKeepsAGradientRecognisable) {
    const std::string dir = vtltest::MakeTempDir("gif");
    const VImage gradient = Gradient(128, 128);
    const std::string source = WriteVips(gradient, dir, "g.png");
    CxImage picture;
    ASSERT_TRUE(picture.Load(source, 0));
    EXPECT_EQ(picture.GetBpp(), 24);
    picture.SetFrame(0);
    picture.SetEncodeOption(2);
    ASSERT_TRUE(picture.Save(dir + "/g.gif", CXIMAGE_FORMAT_GIF));
    const VImage back = VImage::new_from_file((dir + "/g.gif").c_str())
                            .extract_band(0, VImage::option()->set("n", 3));
    EXPECT_LT(MeanError(gradient, back), 4.0);
    std::size_t size = 0;
    auto* bytes = static_cast<unsigned char*>(back.write_to_memory(&size));
    std::set<unsigned> colours;
    for (std::size_t i = 0; i + 2 < size; i += 3)
        colours.insert(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    g_free(bytes);
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 64u) << "a gradient needs many of the colours a GIF can hold";
}

TEST(CxImage, IconsAreFittedIntoTheLargestIconSize) {
    const std::string dir = vtltest::MakeTempDir("ico");
    const std::string source = WriteVips(Quadrants(600, 300), dir, "q.png");
    CxImage picture;
    ASSERT_TRUE(picture.Load(source, 0));
    ASSERT_TRUE(picture.Save(dir + "/q.ico", CXIMAGE_FORMAT_ICO));
    EXPECT_EQ(picture.GetWidth(), 600) << "the picture in hand is not changed by the save";
    CxImage icon;
    ASSERT_TRUE(icon.Load(dir + "/q.ico", 0));
    EXPECT_EQ(icon.GetType(), CXIMAGE_FORMAT_ICO);
    EXPECT_EQ(icon.GetWidth(), 256);
    EXPECT_EQ(icon.GetHeight(), 128);
    const VImage back = DecodeWithLibrary(dir + "/q.ico");
    EXPECT_EQ(At(back, 2, 2), (std::vector<double>{255, 0, 0}));
    EXPECT_EQ(At(back, 253, 125), (std::vector<double>{255, 255, 255}));
}

TEST(CxImage, HiddenColourOfTransparentPixelsDoesNotBleed) {
    const std::string dir = vtltest::MakeTempDir("alpha");
    // Left half: fully transparent red; right half: opaque white.
    const VImage left = VImage::black(50, 40) + std::vector<double>{255, 0, 0, 0};
    const VImage right = VImage::black(50, 40) + std::vector<double>{255, 255, 255, 255};
    const VImage rgba =
        left.insert(right, 50, 0, VImage::option()->set("expand", true))
            .cast(VIPS_FORMAT_UCHAR)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const std::string source = WriteVips(rgba, dir, "a.png");
    CxImage picture;
    ASSERT_TRUE(picture.Load(source, 0));
    EXPECT_EQ(picture.GetBpp(), 32);
    ASSERT_TRUE(picture.Resample(25, 20, 1));
    ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
    const VImage out = VImage::new_from_file((dir + "/out.png").c_str());
    ASSERT_EQ(out.bands(), 4);
    for (int x = 10; x < 16; ++x) {
        SCOPED_TRACE(x);
        const std::vector<double> pixel = out.getpoint(x, 10);
        if (pixel[3] > 16) {
            EXPECT_GT(pixel[1], 200) << "a visible pixel near the edge stays white, not pink";
        }
    }
}

TEST(CxImage, OtherColourSpacesLoadAsEightBitRgbOrGrey) {
    const std::string dir = vtltest::MakeTempDir("spaces");
    const VImage gradient = Gradient(64, 48);
    struct Case {
        const char* name;
        VImage image;
        int bpp;
        double maxError; // against the gradient, over the colour bands
    };
    const VImage grey = gradient.colourspace(VIPS_INTERPRETATION_B_W);
    const Case cases[] = {
        {"cmyk.jpg[Q=95]", gradient.colourspace(VIPS_INTERPRETATION_CMYK), 24, 25.0},
        {"rgb16.png", gradient.colourspace(VIPS_INTERPRETATION_RGB16), 24, 2.0},
        {"grey.jpg[Q=95]", grey, 8, -1},
        {"grey-alpha.png", grey.bandjoin_const({255}), 16, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteVips(c.image, dir, c.name);
        CxImage picture;
        ASSERT_TRUE(picture.Load(path, 0));
        EXPECT_EQ(picture.GetBpp(), c.bpp);
        ASSERT_TRUE(picture.Resample(32, 24, 1));
        const std::string out = dir + "/out.jpg";
        picture.SetJpegQuality(95);
        ASSERT_TRUE(picture.Save(out, CXIMAGE_FORMAT_JPG));
        const VImage back = VImage::new_from_file(out.c_str());
        EXPECT_EQ(back.width(), 32);
        EXPECT_EQ(back.format(), VIPS_FORMAT_UCHAR);
        if (c.maxError > 0) {
            const VImage expected = gradient.resize(0.5);
            EXPECT_LT(MeanError(expected, back), c.maxError);
        }
    }
}

TEST(CxImage, SampleOrientationsAllComeOutUpright) {
    const std::filesystem::path folder =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata/exif-samples/jpg/orientation";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "no sample corpus at " << folder;
    // All eight orientations of one photograph, each stored turned or mirrored, look alike.
    for (const char* kind : {"landscape", "portrait"}) {
        const bool landscape = std::string(kind) == "landscape";
        const VImage upright =
            DecodeWithLibrary((folder / (std::string(kind) + "_1.jpg")).string());
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::string path =
                (folder / (std::string(kind) + "_" + std::to_string(orientation) + ".jpg"))
                    .string();
            SCOPED_TRACE(path);
            IImage info(0);
            ASSERT_TRUE(info.LoadImageInfo(path));
            EXPECT_EQ(info.GetWidth(), landscape ? 600 : 450);
            EXPECT_EQ(info.GetHeight(), landscape ? 450 : 600);
            const VImage decoded = DecodeWithLibrary(path);
            ASSERT_EQ(decoded.width(), upright.width());
            ASSERT_EQ(decoded.height(), upright.height());
            // The samples differ a little from each other (each prints its own number), so the
            // right way up must simply match far better than a mirrored or upside-down one.
            const double right = MeanError(upright, decoded);
            const double mirrored = MeanError(upright.flip(VIPS_DIRECTION_HORIZONTAL), decoded);
            const double upsideDown = MeanError(upright.flip(VIPS_DIRECTION_VERTICAL), decoded);
            EXPECT_LT(right * 2, std::min(mirrored, upsideDown))
                << right << " " << mirrored << " " << upsideDown;
        }
    }
}
