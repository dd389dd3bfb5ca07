// CExifReader over the sample camera files and over EXIF blocks made here: the walk's order,
// what makes a load true, and files that are no pictures at all.
#include "app/preview/ExifReader.h"

#include "tests/preview/PreviewPictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace previewtest;

namespace {

TEST(ExifReader, CameraFilesWalkTheirIfdsInOrderEachOnceUntilRewind) {
    const std::string folder = SampleFolder();
    if (folder.empty())
        GTEST_SKIP() << "no sample corpus beside the project";
    const struct {
        const char* file;
        std::vector<int> groups; // the IFDs met, in order
        const char* firstOfLast; // the first name of the last group but one
    } cases[] = {
        {"tests/35-empty.jpg", {0, 1, 2, 4}, "ExposureTime"},     // no GPS
        {"Fujifilm_FinePix_E500.jpg", {0, 2, 4}, "ExposureTime"}, // no thumbnail
        {"gps/DSCN0010.jpg", {0, 1, 2, 3, 4}, "GPSLatitudeRef"},  // not InteroperabilityIndex
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CExifReader reader;
        ASSERT_TRUE(reader.Load(folder + "/" + c.file));
        std::vector<int> groups;
        std::vector<std::string> firsts;
        int nIfd = -1;
        while (ExifEntry* entry = reader.NextEntry(nIfd)) {
            if (groups.empty() || groups.back() != nIfd) {
                groups.push_back(nIfd);
                firsts.push_back(CExifReader::TagName(entry));
            }
        }
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(firsts[firsts.size() - 2], c.firstOfLast);
        EXPECT_EQ(reader.NextEntry(nIfd), nullptr) << "the end lasts";
        reader.Rewind();
        ExifEntry* first = reader.NextEntry(nIfd);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(CExifReader::TagName(first), firsts.front());
    }
}

// The smallest GIF: one pixel.
constexpr char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00"
                        "\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

TEST(ExifReader, LoadIsTrueOnlyForEntriesInIfdZero) {
    const std::string dir = vtltest::MakeTempDir("load");
    const std::string make = ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "M"}});
    // Exactly one piece: read once in full, then the next read finds the end. A comment segment
    // fills the file up after the EXIF block.
    std::string onePiece = "\xFF\xD8" + make;
    const std::size_t rest = 1024 - onePiece.size() - 2;
    onePiece += {'\xFF', '\xFE', static_cast<char>(rest >> 8), static_cast<char>(rest & 0xFF)};
    onePiece.resize(1024, 'c');
    const struct {
        const char* name;
        std::string bytes;
        bool loaded;
    } cases[] = {
        {"camera.jpg", JpegBytes(Flat(8, 8, Qt::red), make), true},
        {"one-piece.jpg", onePiece, true},
        {"plain.jpg", JpegBytes(Flat(8, 8, Qt::red)), false},
        {"gps-only.jpg", JpegBytes(Flat(8, 8, Qt::red), ExifSegment({{EXIF_IFD_GPS, 1, "N"}})),
         false},
        {"p.gif", std::string(kGif, sizeof kGif - 1), false},
        {"p.bmp", Encoded(Flat(8, 8, Qt::blue), "BMP"), false},
        {"empty.jpg", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vtltest::WriteFile(dir + "/" + c.name, c.bytes);
        EXPECT_EQ(CExifReader().Load(dir + "/" + c.name), c.loaded);
    }
    // Never opened: a pipe would block the reader until something wrote to it.
    std::filesystem::create_directory(dir + "/folder.jpg");
    ASSERT_EQ(mkfifo((dir + "/pipe.jpg").c_str(), 0600), 0);
    for (const char* name : {"/missing.jpg", "/folder.jpg", "/pipe.jpg"})
        EXPECT_FALSE(CExifReader().Load(dir + name)) << name;
}

// Every sample, the damaged ones too, is read and walked to the end with every name and value
// rendered; the AddressSanitizer build runs this over the whole corpus.
TEST(ExifReader, EverySampleFileIsWalkedToTheEnd) {
    const std::string folder = SampleFolder();
    if (folder.empty())
        GTEST_SKIP() << "no sample corpus beside the project";
    CExifReader reader; // one reader for all, as the preview keeps one
    int loaded = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(
             std::filesystem::path(folder).parent_path())) {
        if (!file.is_regular_file())
            continue;
        SCOPED_TRACE(file.path().string());
        const bool ok = reader.Load(file.path().string());
        loaded += ok;
        int nIfd = -1;
        std::size_t text = 0;
        while (ExifEntry* entry = reader.NextEntry(nIfd))
            text += CExifReader::TagName(entry).size() + CExifReader::ValueText(entry).size();
        if (ok) {
            EXPECT_GT(text, 0u);
        }
    }
    EXPECT_GT(loaded, 20);
}

} // namespace
