// Damaged and hostile files: each loads as an empty picture, without a crash, and nothing is
// written from it.
#include "image/IImage.h"
#include "image/ximage.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace vtltest;

namespace {

std::string BigEndian32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char ch : bytes) {
        crc ^= static_cast<std::uint8_t>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string PngChunk(const std::string& typeAndData) {
    return BigEndian32(static_cast<std::uint32_t>(typeAndData.size() - 4)) + typeAndData +
           BigEndian32(Crc32(typeAndData));
}

// A PNG whose valid header claims width × height, with a little pixel data after it.
std::string PngClaiming(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           PngChunk("IHDR" + BigEndian32(width) + BigEndian32(height) +
                    std::string("\x08\x02\0\0\0", 5)) +
           PngChunk("IDAT" + std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) +
           PngChunk("IEND");
}

// A real JPEG whose frame header is patched to claim width × height.
std::string JpegClaiming(std::string jpeg, std::uint16_t width, std::uint16_t height) {
    const std::size_t sof = jpeg.find("\xFF\xC0");
    jpeg.replace(sof + 5, 4,
                 {static_cast<char>(height >> 8), static_cast<char>(height),
                  static_cast<char>(width >> 8), static_cast<char>(width)});
    return jpeg;
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

TEST(CxImageBadInput, DamagedOrHostileFilesLoadEmpty) {
    const std::string dir = MakeTempDir("bad");
    const std::string jpeg = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.jpg"));
    const std::string png = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.png"));
    const std::pair<const char*, std::string> cases[] = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() * 3 / 4)},
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
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteFile(dir + "/" + name, bytes);
        testing::internal::CaptureStderr();
        CxImage picture;
        picture.Load(dir + "/" + name);
        // A damaged file may pass the header and fail when its pixels are decoded; either way
        // the picture ends empty, nothing is written, and no decoder warning reaches the
        // terminal.
        EXPECT_FALSE(picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(picture.GetWidth(), 0);
        EXPECT_FALSE(picture.IsValid());
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.png"));
    }
}

TEST(CxImageBadInput, DecoderWarningsStayOffTheTerminal) {
    const std::string dir = MakeTempDir("quiet");
    std::string jpeg = ReadFile(WritePicture(Gradient(300, 200), dir + "/good.jpg"));
    // The entropy-coded data damaged in the middle: libjpeg warns and goes on.
    jpeg.replace(jpeg.size() / 2, 40, std::string(40, '\x55'));
    WriteFile(dir + "/damaged.jpg", jpeg);
    testing::internal::CaptureStderr();
    CxImage picture;
    picture.Load(dir + "/damaged.jpg");
    picture.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

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

TEST(CxImageBadInput, AnEmptyPictureOrAnImpossibleTargetWritesNothing) {
    const std::string dir = MakeTempDir("empty");
    CxImage picture;
    EXPECT_FALSE(picture.Save(dir + "/none.jpg", CXIMAGE_FORMAT_JPG));
    EXPECT_FALSE(picture.Resample(10, 10, 1));
    EXPECT_FALSE(picture.RotateLeft());
    EXPECT_EQ(picture.GetBpp(), 0);
    ASSERT_TRUE(picture.Load(WritePicture(Gradient(30, 20), dir + "/g.png")));
    EXPECT_FALSE(picture.Save(dir + "/no-such-folder/out.png", CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(picture.Save(dir + "/out.wmf", 7)) << "7 is no library format";
    EXPECT_TRUE(picture.Destroy());
    EXPECT_FALSE(picture.IsValid());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(CxImageBadInput, ImpossibleResolutionsCountAsNone) {
    const std::string dir = MakeTempDir("dpi");
    std::string bmp = ReadFile(WritePicture(Gradient(30, 20), dir + "/g.bmp"));
    bmp.replace(38, 8, std::string(8, '\xff')); // pixels per metre, both axes
    WriteFile(dir + "/g.bmp", bmp);
    testing::internal::CaptureStderr();
    CxImage damaged;
    ASSERT_TRUE(damaged.Load(dir + "/g.bmp"));
    EXPECT_EQ(std::make_pair(damaged.GetXDPI(), damaged.GetYDPI()), std::make_pair(96, 96));
    damaged.SetXDPI(10'000'000);
    damaged.SetYDPI(-3);
    EXPECT_TRUE(damaged.Save(dir + "/out.png", CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    CxImage back;
    ASSERT_TRUE(back.Load(dir + "/out.png"));
    EXPECT_EQ(std::make_pair(back.GetXDPI(), back.GetYDPI()), std::make_pair(65535, 96));
}

TEST(CxImageBadInput, SampleCorpusLoadsOrLoadsEmptyWithoutACrash) {
    const std::filesystem::path corpus =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata";
    if (!std::filesystem::exists(corpus))
        GTEST_SKIP() << "no sample corpus at " << corpus;
    int loaded = 0;
    const std::string out = MakeTempDir("corpus") + "/out.png";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".jpg")
            continue;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const bool damaged = path.find("/invalid/") != std::string::npos ||
                             path.find("corrupt") != std::string::npos ||
                             path.find("/tests/") != std::string::npos;
        CxImage picture;
        const bool ok = picture.Load(path) && picture.Resample(64, 48, 1) &&
                        picture.Save(out, CXIMAGE_FORMAT_PNG);
        EXPECT_TRUE(ok || damaged);
        EXPECT_EQ(picture.IsValid(), ok);
        loaded += ok;
    }
    EXPECT_GT(loaded, 0);
}

} // namespace
