// Damaged and hostile files: each loads as an empty picture, without a crash, and nothing
// is written from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include "image/IImage.h"
#include "image/ximage.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/Sandbox.h"

using namespace imagetest;

namespace {

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char ch : bytes) {
        crc ^= static_cast<std::uint8_t>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string BigEndian32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

// A PNG whose valid header claims width x height, with a little pixel data after it.
std::string PngClaiming(std::uint32_t width, std::uint32_t height) {
    const std::string ihdr =
        "IHDR" + BigEndian32(width) + BigEndian32(height) + std::string("\x08\x02\x00\x00\x00", 5);
    const std::string idat = "IDAT" + std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
    return std::string("\x89PNG\r\n\x1a\n", 8) + BigEndian32(13) + ihdr + BigEndian32(Crc32(ihdr)) +
           BigEndian32(9) + idat + BigEndian32(Crc32(idat)) + BigEndian32(0) + "IEND" +
           BigEndian32(Crc32("IEND"));
}

// A real JPEG whose frame header is patched to claim width x height.
std::string JpegClaiming(const std::string& jpeg, std::uint16_t width, std::uint16_t height) {
    std::string bytes = jpeg;
    const std::size_t sof = bytes.find("\xFF\xC0");
    bytes[sof + 5] = static_cast<char>(height >> 8);
    bytes[sof + 6] = static_cast<char>(height & 0xFF);
    bytes[sof + 7] = static_cast<char>(width >> 8);
    bytes[sof + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

std::string BmpClaiming(std::int32_t width, std::int32_t height) {
    std::string bytes(54, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes + std::string(300, '\x7f');
}

} // namespace

TEST(CxImageBadInput, DamagedOrHostileFilesLoadEmpty) {
    const std::string dir = vtltest::MakeTempDir("bad");
    const std::string jpeg = Slurp(WriteVips(Gradient(300, 200), dir, "good.jpg"));
    const std::string png = Slurp(WriteVips(Gradient(300, 200), dir, "good.png"));
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() / 2)},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"header-only.jpg", jpeg.substr(0, 700)},
        {"empty.jpg", ""},
        {"text.jpg", "This is not a picture at all, only words.\n"},
        {"huge.png", PngClaiming(100000, 100000)},
        {"huge.jpg", JpegClaiming(jpeg, 60000, 60000)},
        {"huge.bmp", BmpClaiming(100000, 100000)},
        {"short.bmp", BmpClaiming(300, 200)},
        {"negative.bmp", BmpClaiming(-5, 10)},
        {"pcx-header-only.pcx", std::string("\x0a\x05\x01\x08", 4) + std::string(124, '\0')},
        {"ico-directory-only.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, '\xff')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        vtltest::WriteFile(path, c.bytes);
        CxImage picture;
        picture.Load(path, 0);
        // A damaged file may pass the header and fail when its pixels are decoded; either way
        // the picture ends empty and nothing is written.
        const bool saved = picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG);
        EXPECT_FALSE(saved);
        EXPECT_EQ(picture.GetWidth(), 0);
        EXPECT_EQ(picture.GetHeight(), 0);
        EXPECT_FALSE(picture.IsValid());
        EXPECT_FALSE(Exists(dir + "/out.png"));
    }
}

TEST(CxImageBadInput, OnlyRegularFilesAreRead) {
    const std::string dir = vtltest::MakeTempDir("special");
    const std::string folder = dir + "/folder.jpg";
    const std::string pipe = dir + "/pipe.jpg";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {folder, pipe, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        CxImage picture;
        EXPECT_FALSE(picture.Load(path, 0)); // a pipe would block here if it were opened
        IImage info(0);
        EXPECT_FALSE(info.LoadImageInfo(path));
    }
}

TEST(CxImageBadInput, CutOffFilesAreRefusedAtLoad) {
    const std::string dir = vtltest::MakeTempDir("cut");
    for (const char* name : {"g.jpg", "g.png"}) {
        SCOPED_TRACE(name);
        const std::string whole = Slurp(WriteVips(Gradient(300, 200), dir, name));
        const std::string path = dir + "/cut-" + name;
        vtltest::WriteFile(path, whole.substr(0, whole.size() * 3 / 4));
        CxImage picture;
        EXPECT_FALSE(picture.Load(path, 0));
        EXPECT_EQ(picture.GetWidth(), 0);
    }
}

TEST(CxImageBadInput, EmptyPictureWritesNothingAndHeaderReadsZero) {
    const std::string dir = vtltest::MakeTempDir("empty");
    CxImage picture;
    EXPECT_FALSE(picture.Save(dir + "/none.jpg", CXIMAGE_FORMAT_JPG));
    EXPECT_FALSE(picture.Resample(10, 10, 1));
    EXPECT_FALSE(picture.RotateLeft());
    EXPECT_EQ(picture.GetBpp(), 0);
    EXPECT_FALSE(Exists(dir + "/none.jpg"));

    IImage image(0);
    EXPECT_EQ(image.width(), 0);
    EXPECT_FALSE(image.LoadImageInfo(dir + "/missing.jpg"));
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetImageType(), 0);

    ASSERT_TRUE(picture.Load(WriteVips(Gradient(30, 20), dir, "g.png"), 0));
    EXPECT_FALSE(picture.Save(dir + "/no-such-folder/out.png", CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(picture.Save(dir + "/out.wmf", 7)) << "7 is no library format";
    EXPECT_FALSE(Exists(dir + "/out.wmf"));
    EXPECT_TRUE(picture.Destroy());
    EXPECT_FALSE(picture.IsValid());
}

TEST(CxImageBadInput, SampleCorpusLoadsOrLoadsEmptyWithoutACrash) {
    const std::filesystem::path corpus =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata";
    if (!std::filesystem::exists(corpus))
        GTEST_SKIP() << "no sample corpus at " << corpus;
    int loaded = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".jpg")
            continue;
        SCOPED_TRACE(entry.path().string());
        const std::string path = entry.path().string();
        const bool damaged = path.find("/invalid/") != std::string::npos ||
                             path.find("corrupt") != std::string::npos ||
                             path.find("/tests/") != std::string::npos;
        CxImage picture;
        const bool ok =
            picture.Load(path, 0) && picture.Resample(64, 48, 1) &&
            picture.Save(vtltest::MakeTempDir("corpus") + "/out.png", CXIMAGE_FORMAT_PNG);
        if (!damaged) {
            EXPECT_TRUE(ok);
        }
        EXPECT_EQ(picture.IsValid(), ok);
        loaded += ok;
    }
    EXPECT_GT(loaded, 0);
}

TEST(CxImageBadInput, DecoderWarningsStayOffTheTerminal) {
    const std::string dir = vtltest::MakeTempDir("quiet");
    std::string jpeg = Slurp(WriteVips(Gradient(300, 200), dir, "good.jpg"));
    // Damage the entropy-coded data in the middle: libjpeg warns and goes on.
    for (std::size_t i = jpeg.size() / 2; i < jpeg.size() / 2 + 40; ++i)
        jpeg[i] = static_cast<char>(0x55);
    const std::string path = dir + "/damaged.jpg";
    vtltest::WriteFile(path, jpeg);

    testing::internal::CaptureStderr();
    CxImage picture;
    picture.Load(path, 0);
    picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
}

TEST(CxImageBadInput, ImpossibleResolutionsCountAsNone) {
    const std::string dir = vtltest::MakeTempDir("dpi");
    CxImage picture;
    ASSERT_TRUE(picture.Load(WriteVips(Gradient(30, 20), dir, "g.png"), 0));
    ASSERT_TRUE(picture.Save(dir + "/g.bmp", CXIMAGE_FORMAT_BMP));
    std::string bmp = Slurp(dir + "/g.bmp");
    bmp.replace(38, 8, std::string(8, '\xff')); // pixels per metre, both axes
    vtltest::WriteFile(dir + "/g.bmp", bmp);

    testing::internal::CaptureStderr();
    CxImage damaged;
    ASSERT_TRUE(damaged.Load(dir + "/g.bmp", 0));
    EXPECT_EQ(damaged.GetXDPI(), 96);
    EXPECT_EQ(damaged.GetYDPI(), 96);
    damaged.SetXDPI(10'000'000);
    damaged.SetYDPI(-3);
    EXPECT_TRUE(damaged.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    CxImage back;
    ASSERT_TRUE(back.Load(dir + "/out.png", 0));
    EXPECT_EQ(back.GetXDPI(), 65535);
    EXPECT_EQ(back.GetYDPI(), 96);
}
