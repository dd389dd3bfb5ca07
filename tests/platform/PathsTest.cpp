#include "platform/FileFacts.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

using namespace plat;

namespace {

TEST(Paths, SplitAndMakeAreInverse) {
    const struct {
        std::string path, dir, fname, ext;
    } cases[] = {
        {"/home/me/a.jpg", "/home/me/", "a", ".jpg"},
        {"/home/me/archive.tar.gz", "/home/me/", "archive.tar", ".gz"},
        {"/home/me/my.pictures/a", "/home/me/my.pictures/", "a", ""},
        {"relative/b.JPEG", "relative/", "b", ".JPEG"},
        {"c.gif", "", "c", ".gif"},
        {"/home/me/.hidden", "/home/me/", "", ".hidden"},
        {"/home/me/folder/", "/home/me/folder/", "", ""},
        {"/", "/", "", ""},
    };
    for (const auto& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.drive, "") << c.path;
        EXPECT_EQ(parts.dir, c.dir) << c.path;
        EXPECT_EQ(parts.fname, c.fname) << c.path;
        EXPECT_EQ(parts.ext, c.ext) << c.path;
        EXPECT_EQ(MakePath(parts), c.path) << c.path;
    }
    EXPECT_EQ(MakePath({"", "/out", "a", "jpg"}), "/out/a.jpg");
}

TEST(Paths, DriveMeansAbsolute) {
    EXPECT_TRUE(HasDrive("/pictures"));
    EXPECT_FALSE(HasDrive("resize/"));
    EXPECT_FALSE(HasDrive("./resize/"));
    EXPECT_FALSE(HasDrive(""));
}

TEST(Paths, TempFolderEndsWithSeparator) {
    const std::string saved = std::getenv("TMPDIR");
    setenv("TMPDIR", "/var/tmp/x", 1);
    EXPECT_EQ(GetTempPath(), "/var/tmp/x/");
    setenv("TMPDIR", "/var/tmp/y/", 1);
    EXPECT_EQ(GetTempPath(), "/var/tmp/y/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPath(), "/tmp/");
    setenv("TMPDIR", saved.c_str(), 1);
}

TEST(Paths, UserFoldersFollowTheXdgRules) {
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    EXPECT_EQ(GetUserConfigFolder(), "/elsewhere/config");
    setenv("XDG_CONFIG_HOME", "relative/config", 1); // invalid: ignored
    EXPECT_EQ(GetUserConfigFolder(), "/home/someone/.config");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetUserDataFolder(), "/home/someone/.local/share");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("HOME", home.c_str(), 1);
}

TEST(Paths, ModulePaths) {
    const std::string self = GetModuleFileName();
    EXPECT_TRUE(HasDrive(self));
    EXPECT_EQ(SplitPath(self).fname, "platform_tests");
    EXPECT_EQ(GetModuleFileNameOf(reinterpret_cast<const void*>(&SplitPath)), self);
    EXPECT_EQ(GetModuleFileNameOf(nullptr), "");
}

TEST(FileFacts, ExistenceSizeAndTimes) {
    const std::string dir = vtltest::MakeTempDir("facts");
    const std::string file = dir + "/a.jpg";
    vtltest::WriteFile(file, "12345");
    // 2001-09-09 01:46:40 UTC is 10^9 seconds after 1970.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir));
    EXPECT_FALSE(FileExists(dir + "/missing"));
    const auto facts = GetFileFacts(file);
    ASSERT_TRUE(facts);
    EXPECT_FALSE(facts->isDirectory);
    EXPECT_EQ(facts->size, 5u);
    EXPECT_EQ(facts->lastWriteTime, 126444736000000005ULL);
    EXPECT_TRUE(GetFileFacts(dir)->isDirectory);
    EXPECT_FALSE(GetFileFacts(dir + "/missing"));
    EXPECT_EQ(UnixTimeToFileTime(0, 0), 116444736000000000ULL);
}

TEST(Locale, QtPicturesBecomeWindowsPictures) {
    const struct {
        const char* qt;
        const char* windows;
    } cases[] = {
        {"h:mm:ss AP", "h:mm:ss tt"},
        {"h:mm ap", "h:mm tt"},
        {"HH:mm:ss t", "HH:mm:ss"},
        {"dd/MM/yyyy", "dd/MM/yyyy"},
        {"M/d/yy", "M/d/yy"},
        {"d 'at' HH", "d 'at' HH"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToWindowsPicture(c.qt), c.windows) << c.qt;
    const LocaleInfo info = GetUserLocaleInfo();
    EXPECT_FALSE(info.shortDate.empty());
    EXPECT_FALSE(info.timeFormat.empty());
    EXPECT_FALSE(info.decimalSeparator.empty());
    EXPECT_FALSE(info.negativeSign.empty());
}

} // namespace
