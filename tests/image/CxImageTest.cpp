// The image library's calls over pictures made at run time: every format written and read
// back, turns, sizes, colour depths, orientation, and the sample corpus when it is present.
#include "image/IImage.h"
#include "image/ximage.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace vtltest;
using vips::VImage;

namespace {

TEST(CxImage, EveryFormatWritesAndReadsBackSizeDpiBppAndFormat) {
    struct Case {
        int format;
        bool keepsDpi, lossless;
        int bpp; // of a 24-bit picture written in this format and read back
    };
    const Case cases[] = {
        {CXIMAGE_FORMAT_JPG, true, false, 24}, {CXIMAGE_FORMAT_BMP, true, true, 24},
        {CXIMAGE_FORMAT_GIF, false, false, 8}, {CXIMAGE_FORMAT_ICO, false, true, 32},
        {CXIMAGE_FORMAT_PNG, true, true, 24},  {CXIMAGE_FORMAT_TIF, true, true, 24},
        {CXIMAGE_FORMAT_PCX, true, true, 24},
    };
    const std::string dir = MakeTempDir("formats");
    const std::string source = WritePicture(Gradient(96, 64), dir + "/source.png");
    CxImage expected;
    ASSERT_TRUE(expected.Load(source) && expected.Resample(60, 40, 1) &&
                expected.Save(dir + "/expected.png", CXIMAGE_FORMAT_PNG));
    const VImage reference = VImage::new_from_file((dir + "/expected.png").c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        // Saved under a neutral name: the format must come from the bytes.
        const std::string path = dir + "/out" + std::to_string(c.format) + ".data";
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        ASSERT_TRUE(picture.Resample(60, 40, 1));
        picture.SetXDPI(300);
        picture.SetYDPI(150);
        picture.SetJpegQuality(95);
        ASSERT_TRUE(picture.Save(path, c.format));

        CxImage back;
        ASSERT_TRUE(back.Load(path));
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_TRUE(back.IsValid() && back.IsEnabled());
        IImage info(0);
        EXPECT_TRUE(info.LoadImageInfo(path));
        EXPECT_EQ(std::make_tuple(info.GetWidth(), info.GetHeight(), info.GetXDPI(), info.GetYDPI(),
                                  info.GetImageType()),
                  std::make_tuple(60, 40, c.keepsDpi ? 300 : 96, c.keepsDpi ? 150 : 96, c.format));
        const double error = MeanError(reference, Decode(path));
        if (c.lossless)
            EXPECT_EQ(error, 0.0);
        else
            EXPECT_LT(error, 4.0);
    }
}

TEST(CxImage, FewColourPicturesStayEightBitAndKeepTheirColours) {
    const std::string dir = MakeTempDir("palette");
    const std::string source = WritePicture(Quadrants(40, 30), dir + "/q.png[palette]");
    for (const int format :
         {CXIMAGE_FORMAT_BMP, CXIMAGE_FORMAT_PCX, CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_PNG}) {
        SCOPED_TRACE(format);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        const std::string path = dir + "/out" + std::to_string(format);
        ASSERT_TRUE(picture.Save(path, format));
        CxImage back;
        ASSERT_TRUE(back.Load(path));
        EXPECT_EQ(back.GetBpp(), 8);
        EXPECT_EQ(MeanError(Quadrants(40, 30), Decode(path)), 0.0);
    }
}

TEST(CxImage, TheFormatComesFromTheBytesNotTheName) {
    const std::string dir = MakeTempDir("detect");
    const std::string path = WritePicture(Gradient(20, 10), dir + "/x.png");
    std::filesystem::rename(path, dir + "/really-png.jpg");
    CxImage picture;
    ASSERT_TRUE(picture.Load(dir + "/really-png.jpg"));
    EXPECT_EQ(picture.GetType(), CXIMAGE_FORMAT_PNG);
    EXPECT_FALSE(picture.Load(dir + "/really-png.jpg", CXIMAGE_FORMAT_JPG))
        << "an insisted format must match";
    EXPECT_EQ(picture.GetWidth(), 0);
}

TEST(CxImage, RotationsAndFlipTurnTheCorners) {
    const std::string dir = MakeTempDir("turn");
    const std::string source = WritePicture(Quadrants(40, 20), dir + "/q.png");
    const std::vector<double> red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255},
        white{255, 255, 255};
    struct Case {
        bool (CxImage::*turn)();
        int width, height;
        std::vector<std::vector<double>> corners; // top-left, top-right, bottom-left, bottom-right
    };
    const Case cases[] = {
        {&CxImage::RotateLeft, 20, 40, {green, white, red, blue}},
        {&CxImage::RotateRight, 20, 40, {blue, red, white, green}},
        {&CxImage::Flip, 40, 20, {blue, white, red, green}}, // upside down
    };
    for (const Case& c : cases) {
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        ASSERT_TRUE((picture.*c.turn)());
        ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
        const VImage result = VImage::new_from_file((dir + "/out.png").c_str());
        ASSERT_EQ(std::make_pair(result.width(), result.height()),
                  std::make_pair(c.width, c.height));
        EXPECT_EQ((std::vector<std::vector<double>>{At(result, 1, 1), At(result, c.width - 2, 1),
                                                    At(result, 1, c.height - 2),
                                                    At(result, c.width - 2, c.height - 2)}),
                  c.corners);
    }
}

TEST(CxImage, ResampleGivesExactlyTheSizeAndMatchesAFullDecode) {
    const std::string dir = MakeTempDir("resample");
    const std::string source = WritePicture(Gradient(1600, 1200), dir + "/big.jpg[Q=95]");
    // Straight after Load a JPEG may be decoded shrunk; the result must match a full decode.
    for (const auto& [w, h] : {std::pair{100, 75}, {390, 290}, {1, 1}, {1601, 7}, {2000, 1500}}) {
        SCOPED_TRACE(w);
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        ASSERT_TRUE(picture.Resample(w, h, 1));
        ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
        const VImage out = VImage::new_from_file((dir + "/out.png").c_str());
        ASSERT_EQ(std::make_pair(out.width(), out.height()), std::make_pair(w, h));
        const VImage full = VImage::new_from_file(source.c_str())
                                .resize(w / 1600.0, VImage::option()->set("vscale", h / 1200.0));
        EXPECT_LT(MeanError(full, out), 1.5);
    }
    CxImage picture;
    ASSERT_TRUE(picture.Load(source));
    EXPECT_FALSE(picture.Resample(0, 100, 1));
    EXPECT_FALSE(picture.Resample(100, -5, 1));
    EXPECT_EQ(picture.GetWidth(), 1600) << "a refused size keeps the picture";
}

TEST(CxImage, OrientedJpegsComeOutUprightWithTheirExif) {
    const std::string dir = MakeTempDir("orient");
    // Stored 60 × 40 with red top-left; orientation 6 shows it turned clockwise (red
    // top-right), 8 counter-clockwise (red bottom-left), 3 upside down (red bottom-right).
    struct Case {
        int orientation;
        int redX, redY;
    };
    for (const Case& c : {Case{6, 38, 1}, Case{8, 1, 58}, Case{3, 58, 38}}) {
        SCOPED_TRACE(c.orientation);
        VImage stored = Quadrants(60, 40).copy();
        stored.set("orientation", c.orientation);
        const std::string source = WritePicture(stored, dir + "/o.jpg[Q=95]");
        const int w = c.orientation == 3 ? 60 : 40;
        const int h = c.orientation == 3 ? 40 : 60;
        IImage info(0);
        ASSERT_TRUE(info.LoadImageInfo(source));
        EXPECT_EQ(std::make_pair(info.GetWidth(), info.GetHeight()), std::make_pair(w, h));
        CxImage picture;
        ASSERT_TRUE(picture.Load(source));
        ASSERT_TRUE(picture.Save(dir + "/up.jpg", CXIMAGE_FORMAT_JPG));
        // Read without any turning: the pixels themselves are upright, the tag reset.
        const VImage back = VImage::new_from_file((dir + "/up.jpg").c_str());
        EXPECT_EQ(std::make_pair(back.width(), back.height()), std::make_pair(w, h));
        EXPECT_TRUE(back.get_typeof("orientation") == 0 || back.get_int("orientation") == 1);
        EXPECT_NE(back.get_typeof("exif-data"), 0u) << "the camera data is kept";
        const std::vector<double> red = At(back, c.redX, c.redY);
        EXPECT_TRUE(red[0] > 200 && red[1] < 60 && red[2] < 60);
    }
}

TEST(CxImage, GifReductionKeepsAGradientRecognisable) {
    const std::string dir = MakeTempDir("gif");
    CxImage picture;
    ASSERT_TRUE(picture.Load(WritePicture(Gradient(128, 128), dir + "/g.png")));
    EXPECT_EQ(picture.GetBpp(), 24);
    picture.SetFrame(0);
    picture.SetEncodeOption(2);
    ASSERT_TRUE(picture.Save(dir + "/g.gif", CXIMAGE_FORMAT_GIF));
    const VImage back = VImage::new_from_file((dir + "/g.gif").c_str());
    EXPECT_LT(MeanError(Gradient(128, 128), back), 4.0);
    std::size_t size = 0;
    auto* bytes = static_cast<unsigned char*>(
        back.extract_band(0, VImage::option()->set("n", 3)).write_to_memory(&size));
    std::set<unsigned> colours;
    for (std::size_t i = 0; i + 2 < size; i += 3)
        colours.insert(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    g_free(bytes);
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 64u) << "a gradient needs many of the colours a GIF can hold";
}

TEST(CxImage, IconsAreFittedIntoTheLargestIconSize) {
    const std::string dir = MakeTempDir("ico");
    CxImage picture;
    ASSERT_TRUE(picture.Load(WritePicture(Quadrants(600, 300), dir + "/q.png")));
    ASSERT_TRUE(picture.Save(dir + "/q.ico", CXIMAGE_FORMAT_ICO));
    EXPECT_EQ(picture.GetWidth(), 600) << "the picture in hand is not changed by the save";
    const PictureFacts icon = Inspect(dir + "/q.ico");
    EXPECT_EQ(std::make_tuple(icon.width, icon.height, icon.type),
              std::make_tuple(256, 128, CXIMAGE_FORMAT_ICO));
    EXPECT_EQ(At(Decode(dir + "/q.ico"), 253, 125), (std::vector<double>{255, 255, 255}));
}

TEST(CxImage, TheHiddenColourOfTransparentPixelsDoesNotBleed) {
    const std::string dir = MakeTempDir("alpha");
    // Left half: fully transparent red; right half: opaque white.
    const VImage rgba =
        (VImage::black(50, 40) + std::vector<double>{255, 0, 0, 0})
            .insert(VImage::black(50, 40) + std::vector<double>{255, 255, 255, 255}, 50, 0,
                    VImage::option()->set("expand", true))
            .cast(VIPS_FORMAT_UCHAR)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    CxImage picture;
    ASSERT_TRUE(picture.Load(WritePicture(rgba, dir + "/a.png")));
    EXPECT_EQ(picture.GetBpp(), 32);
    ASSERT_TRUE(picture.Resample(25, 20, 1));
    ASSERT_TRUE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
    const VImage out = VImage::new_from_file((dir + "/out.png").c_str());
    for (int x = 10; x < 16; ++x) {
        const std::vector<double> pixel = out.getpoint(x, 10);
        EXPECT_TRUE(pixel[3] <= 16 || pixel[1] > 200)
            << "a visible pixel near the edge stays white, not pink";
    }
}

TEST(CxImage, OtherColourSpacesLoadAsEightBitRgbOrGrey) {
    const std::string dir = MakeTempDir("spaces");
    const VImage grey = Gradient(64, 48).colourspace(VIPS_INTERPRETATION_B_W);
    const std::tuple<std::string, VImage, int, double> cases[] = {
        {"cmyk.jpg[Q=95]", Gradient(64, 48).colourspace(VIPS_INTERPRETATION_CMYK), 24, 25.0},
        {"rgb16.png", Gradient(64, 48).colourspace(VIPS_INTERPRETATION_RGB16), 24, 2.0},
        {"grey.jpg[Q=95]", grey, 8, 0},
        {"grey-alpha.png", grey.bandjoin_const({255}), 16, 0},
    };
    for (const auto& [name, image, bpp, maxError] : cases) {
        SCOPED_TRACE(name);
        CxImage picture;
        ASSERT_TRUE(picture.Load(WritePicture(image, dir + "/" + name)));
        EXPECT_EQ(picture.GetBpp(), bpp);
        ASSERT_TRUE(picture.Resample(32, 24, 1));
        picture.SetJpegQuality(95);
        ASSERT_TRUE(picture.Save(dir + "/out.jpg", CXIMAGE_FORMAT_JPG));
        const VImage back = VImage::new_from_file((dir + "/out.jpg").c_str());
        EXPECT_EQ(back.format(), VIPS_FORMAT_UCHAR);
        if (maxError > 0) {
            EXPECT_LT(MeanError(Gradient(64, 48).resize(0.5), back), maxError);
        }
    }
}

TEST(CxImage, SampleOrientationsAllComeOutUpright) {
    const std::filesystem::path folder =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata/exif-samples/jpg/orientation";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "no sample corpus at " << folder;
    // All eight orientations of one photograph, each stored turned or mirrored, look alike.
    for (const std::string kind : {"landscape", "portrait"}) {
        const VImage upright = Decode((folder / (kind + "_1.jpg")).string());
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::string path =
                (folder / (kind + "_" + std::to_string(orientation) + ".jpg")).string();
            SCOPED_TRACE(path);
            IImage info(0);
            ASSERT_TRUE(info.LoadImageInfo(path));
            EXPECT_EQ(info.GetWidth(), kind == "landscape" ? 600 : 450);
            const VImage decoded = Decode(path);
            ASSERT_EQ(decoded.width(), upright.width());
            ASSERT_EQ(decoded.height(), upright.height());
            // Each sample prints its own number, so the right way up must simply match far
            // better than a mirrored or upside-down one.
            const double right = MeanError(upright, decoded);
            EXPECT_LT(right * 2, MeanError(upright.flip(VIPS_DIRECTION_HORIZONTAL), decoded));
            EXPECT_LT(right * 2, MeanError(upright.flip(VIPS_DIRECTION_VERTICAL), decoded));
        }
    }
}

} // namespace
