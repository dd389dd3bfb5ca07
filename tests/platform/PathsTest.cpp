// Path facts with Windows shapes, text cut by character, and file facts.
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace plat;

namespace {

TEST(Paths, SplitAndMakeAreInverseAndADriveMeansAbsolute) {
    // A path and its folder, name and extension.
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"/home/me/a.jpg", "/home/me/", "a", ".jpg"},
        {"/home/me/archive.tar.gz", "/home/me/", "archive.tar", ".gz"},
        {"/home/me/my.pictures/a", "/home/me/my.pictures/", "a", ""},
        {"/home/me/.hidden", "/home/me/", "", ".hidden"},
        {"/", "/", "", ""},
    };
    for (const auto& [path, dir, fname, ext] : cases) {
        const PathParts parts = SplitPath(path);
        EXPECT_EQ(std::tie(parts.drive, parts.dir, parts.fname, parts.ext),
                  std::tie("", dir, fname, ext))
            << path;
        EXPECT_EQ(MakePath(parts), path);
        EXPECT_EQ(HasDrive(path), path[0] == '/') << path;
    }
    EXPECT_EQ(MakePath({"", "/out", "a", "jpg"}), "/out/a.jpg");
    EXPECT_FALSE(HasDrive(""));
}

TEST(Utf8, TextsAreCountedAndCutByCharacterNeverInsideOne) {
    // The text, how many characters it holds, its last two, and what buffers of 4 and 5 bytes
    // keep of it ("€" is three bytes).
    const std::tuple<std::string, std::size_t, std::string, std::string, std::string> cases[] = {
        {"", 0, "", "", ""},
        {"abcdef", 6, "ef", "abc", "abcd"},
        {"a\u20AC", 2, "a\u20AC", "a", "a\u20AC"},
        {"a\x80\x80", 1, "a\x80\x80", "a\x80\x80", "a\x80\x80"}, // stray bytes join the one before
    };
    for (const auto& [text, length, tail, kept4, kept5] : cases) {
        EXPECT_EQ(Utf8Length(text), length) << text;
        EXPECT_EQ(Utf8Tail(text, 2), tail) << text;
        char in4[4] = "xyz", in5[5] = "wxyz";
        CopyTextCut(in4, sizeof in4, text.c_str());
        CopyTextCut(in5, sizeof in5, text.c_str());
        EXPECT_EQ(std::string(in4) + "|" + in5, kept4 + "|" + kept5) << text;
    }
}

TEST(FileFacts, ExistenceSizeAndTimes) {
    const std::string dir = vtltest::MakeTempDir("facts"), file = dir + "/a.jpg";
    vtltest::WriteFile(file, "12345");
    // 2001-09-09 01:46:40 UTC is 10^9 seconds after 1970.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_TRUE(FileExists(file) && FileExists(dir) && !FileExists(dir + "/missing"));
    const auto facts = GetFileFacts(file);
    ASSERT_TRUE(facts);
    EXPECT_EQ(std::tie(facts->isDirectory, facts->size, facts->lastWriteTime),
              std::make_tuple(false, std::uint64_t(5), FILETIME(126444736000000005ULL)));
    EXPECT_TRUE(GetFileFacts(dir)->isDirectory && !GetFileFacts(dir + "/missing"));
}

} // namespace
