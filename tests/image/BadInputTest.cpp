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

std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

std::string Be32(std::uint32_t v) {
    const std::string le = Le32(v);
    return {le.rbegin(), le.rend()};
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
    const std::pair<const char*, std::string> cases[] = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() * 3 / 4)},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"header-only.jpg", jpeg.substr(0, 700)},
        {"empty.jpg", ""},
        {"text.jpg", "This is not a picture at all, only words.\n"},
        {"huge.png", Patched(hugePng, 29, Be32(Crc32(hugePng.substr(12, 17))))},
        {"huge.jpg", Patched(jpeg, jpeg.find("\xFF\xC0") + 5, Be32(0xEA60EA60))}, // 60000²
        {"huge.bmp", Patched(bmp, 18, Le32(100000) + Le32(100000))},
        {"short.bmp", bmp.substr(0, bmp.size() / 2)},
        {"negative.bmp", Patched(bmp, 18, Le32(static_cast<std::uint32_t>(-5)))},
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
