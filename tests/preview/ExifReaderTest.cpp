// CExifReader over the sample camera files and over EXIF blocks made here: the walk's order,
// what makes a load true, and files that are no pictures at all.
#include "app/preview/ExifReader.h"

#include "tests/preview/PreviewPictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace previewtest;

namespace {

struct Walked {
    std::vector<int> ifds; // the IFD of each entry in walk order
    std::vector<std::string> names;
};

Walked Walk(CExifReader& reader) {
    Walked walked;
    reader.Rewind();
    int nIfd = -1;
    while (ExifEntry* entry = reader.NextEntry(nIfd)) {
        walked.ifds.push_back(nIfd);
        walked.names.push_back(CExifReader::TagName(entry));
    }
    return walked;
}

// The IFDs of a walk, each once, in the order met.
std::vector<int> Groups(const std::vector<int>& ifds) {
    std::vector<int> groups;
    for (const int ifd : ifds)
        if (groups.empty() || groups.back() != ifd)
            groups.push_back(ifd);
    return groups;
}

TEST(ExifReader, CameraFilesWalkTheirIfdsInOrderEachOnce) {
    const std::string folder = SampleFolder();
    if (folder.empty())
        GTEST_SKIP() << "no sample corpus beside the project";
    const struct {
        const char* file;
        std::vector<int> groups;
        const char* firstName;
        const char* firstValue;
    } cases[] = {
        // IFD 0, thumbnail, EXIF and interoperability entries; no GPS.
        {"tests/35-empty.jpg", {0, 1, 2, 4}, "Make", "CASIO COMPUTER CO.,LTD"},
        // No thumbnail: from IFD 0 straight to the EXIF IFD.
        {"Fujifilm_FinePix_E500.jpg", {0, 2, 4}, "Make", "FUJIFILM"},
        // All five.
        {"gps/DSCN0010.jpg", {0, 1, 2, 3, 4}, "ImageDescription", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CExifReader reader;
        ASSERT_TRUE(reader.Load(folder + "/" + c.file));
        const Walked walked = Walk(reader);
        EXPECT_EQ(Groups(walked.ifds), c.groups);
        ASSERT_FALSE(walked.names.empty());
        EXPECT_EQ(walked.names.front(), c.firstName);
        reader.Rewind();
        int nIfd = -1;
        ExifEntry* first = reader.NextEntry(nIfd);
        EXPECT_EQ(nIfd, 0);
        std::string value = CExifReader::ValueText(first);
        value.erase(value.find_last_not_of(' ') + 1);
        EXPECT_EQ(value, c.firstValue);
    }
}

TEST(ExifReader, GpsTagsAreNamedInTheirOwnIfd) {
    // GPS tag 1 shares its number with the interoperability index.
    ExifBlock block;
    block.Ascii(EXIF_IFD_0, EXIF_TAG_MAKE, "Maker")
        .Ascii(EXIF_IFD_GPS, 1, "N")
        .Ascii(EXIF_IFD_INTEROPERABILITY, 1, "R98");
    const std::string path = vtltest::MakeTempDir("gps") + "/gps.jpg";
    vtltest::WriteFile(path, JpegBytes(Flat(16, 16, Qt::gray), block.Segment()));
    CExifReader reader;
    ASSERT_TRUE(reader.Load(path));
    const Walked walked = Walk(reader);
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Make"}, {3, "GPSLatitudeRef"}, {4, "InteroperabilityIndex"}};
    std::vector<std::pair<int, std::string>> got;
    for (std::size_t i = 0; i < walked.ifds.size(); ++i)
        if (walked.ifds[i] != 0 || walked.names[i] == "Make")
            got.emplace_back(walked.ifds[i], walked.names[i]);
    EXPECT_EQ(got, expected);
}

TEST(ExifReader, LoadIsTrueOnlyForEntriesInIfdZero) {
    const std::string dir = vtltest::MakeTempDir("load");
    const std::string make = ExifBlock().Ascii(EXIF_IFD_0, EXIF_TAG_MAKE, "M").Segment();
    // A file of exactly one piece: read once in full, and the next read finds the end. A
    // comment segment fills it up after the EXIF block.
    std::string onePiece = "\xFF\xD8" + make;
    const std::size_t rest = 1024 - onePiece.size();
    onePiece +=
        {'\xFF', '\xFE', static_cast<char>((rest - 2) >> 8), static_cast<char>((rest - 2) & 0xFF)};
    onePiece.resize(1024, 'c');
    // The smallest GIF: one transparent pixel.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04"
                          "\x01\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
                          "\x44\x01\x00\x3b",
                          43);
    const struct {
        const char* name;
        std::string bytes;
        bool loaded;
    } cases[] = {
        {"camera.jpg", JpegBytes(Flat(8, 8, Qt::red), make), true},
        {"one-piece.jpg", onePiece, true},
        {"plain.jpg", JpegBytes(Flat(8, 8, Qt::red)), false},
        {"gps-only.jpg",
         JpegBytes(Flat(8, 8, Qt::red), ExifBlock().Ascii(EXIF_IFD_GPS, 1, "N").Segment()), false},
        {"p.gif", gif, false},
        {"p.bmp", Encoded(Flat(8, 8, Qt::blue), "BMP"), false},
        {"empty.jpg", "", false},
        {"text.jpg", "not a picture at all", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        vtltest::WriteFile(path, c.bytes);
        CExifReader reader;
        EXPECT_EQ(reader.Load(path), c.loaded);
    }
    EXPECT_EQ(onePiece.size(), 1024u);
}

TEST(ExifReader, WhatCannotBeOpenedKeepsTheLastDataAndNeverBlocks) {
    const std::string dir = vtltest::MakeTempDir("keep");
    const std::string picture = dir + "/a.jpg";
    vtltest::WriteFile(picture,
                       JpegBytes(Flat(8, 8, Qt::red),
                                 ExifBlock().Ascii(EXIF_IFD_0, EXIF_TAG_MAKE, "M").Segment()));
    std::filesystem::create_directory(dir + "/folder.jpg");
    ASSERT_EQ(mkfifo((dir + "/pipe.jpg").c_str(), 0600), 0);
    CExifReader reader;
    ASSERT_TRUE(reader.Load(picture));
    for (const char* name : {"/missing.jpg", "/folder.jpg", "/pipe.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(reader.Load(dir + name));
        EXPECT_EQ(Walk(reader).names, std::vector<std::string>{"Make"});
    }
}

TEST(ExifReader, TheEndOfTheWalkLastsUntilRewind) {
    const std::string path = vtltest::MakeTempDir("end") + "/a.jpg";
    vtltest::WriteFile(path,
                       JpegBytes(Flat(8, 8, Qt::red), ExifBlock()
                                                          .Ascii(EXIF_IFD_0, EXIF_TAG_MAKE, "M")
                                                          .Ascii(EXIF_IFD_0, EXIF_TAG_MODEL, "X")
                                                          .Segment()));
    CExifReader reader;
    int nIfd = -1;
    EXPECT_EQ(reader.NextEntry(nIfd), nullptr) << "nothing loaded yet";
    ASSERT_TRUE(reader.Load(path));
    int walked = 0;
    while (reader.NextEntry(nIfd))
        ++walked;
    EXPECT_EQ(walked, 2);
    EXPECT_EQ(reader.NextEntry(nIfd), nullptr);
    EXPECT_EQ(reader.NextEntry(nIfd), nullptr);
    reader.Rewind();
    ExifEntry* first = reader.NextEntry(nIfd);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CExifReader::TagName(first), "Make");
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
        int previousIfd = 0;
        std::size_t text = 0;
        while (ExifEntry* entry = reader.NextEntry(nIfd)) {
            EXPECT_GE(nIfd, previousIfd);
            previousIfd = nIfd;
            text += CExifReader::TagName(entry).size() + CExifReader::ValueText(entry).size();
        }
        if (ok) {
            EXPECT_GT(text, 0u);
        }
    }
    EXPECT_GT(loaded, 20);
}

} // namespace
