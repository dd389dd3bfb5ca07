// Path facts with Windows shapes, the user's folders, file facts, the locale's pictures, and
// starting a program.
#include "platform/FileFacts.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

using namespace plat;

namespace {

TEST(Paths, SplitAndMakeAreInverseAndADriveMeansAbsolute) {
    const struct {
        std::string path, dir, fname, ext;
    } cases[] = {
        {"/home/me/a.jpg", "/home/me/", "a", ".jpg"},         {"/home/me/archive.tar.gz", "/home/me/", "archive.tar", ".gz"},
        {"/home/me/my.pictures/a", "/home/me/my.pictures/", "a", ""}, {"relative/b.JPEG", "relative/", "b", ".JPEG"},
        {"c.gif", "", "c", ".gif"},                           {"/home/me/.hidden", "/home/me/", "", ".hidden"},
        {"/home/me/folder/", "/home/me/folder/", "", ""},     {"/", "/", "", ""},
    };
    for (const auto& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(std::tie(parts.drive, parts.dir, parts.fname, parts.ext), std::tie("", c.dir, c.fname, c.ext)) << c.path;
        EXPECT_EQ(MakePath(parts), c.path);
        EXPECT_EQ(HasDrive(c.path), c.path[0] == '/') << c.path;
    }
    EXPECT_EQ(MakePath({"", "/out", "a", "jpg"}), "/out/a.jpg");
    EXPECT_FALSE(HasDrive(""));
}

TEST(Paths, TheTemporaryAndTheUsersFoldersFollowTheirVariables) {
    vtltest::ScopedEnv env({{"TMPDIR", "/var/tmp/x"}, {"HOME", "/home/someone"},
                            {"XDG_CONFIG_HOME", "/elsewhere/config"}, {"XDG_DATA_HOME", ""}});
    EXPECT_EQ(GetTempPath(), "/var/tmp/x/");
    EXPECT_EQ(GetUserConfigFolder(), "/elsewhere/config");
    EXPECT_EQ(GetUserDataFolder(), "/home/someone/.local/share");
    env.Set("TMPDIR", "");
    env.Set("XDG_CONFIG_HOME", "relative/config"); // invalid: ignored
    EXPECT_EQ(GetTempPath(), "/tmp/");
    EXPECT_EQ(GetUserConfigFolder(), "/home/someone/.config");

    const std::string self = GetModuleFileName();
    EXPECT_EQ(SplitPath(self).fname, "platform_tests");
    EXPECT_EQ(GetModuleFileNameOf(reinterpret_cast<const void*>(&SplitPath)), self);
    EXPECT_EQ(GetModuleFileNameOf(nullptr), "");
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

TEST(Locale, QtPicturesBecomeWindowsPictures) {
    const std::pair<const char*, const char*> cases[] = {
        {"h:mm:ss AP", "h:mm:ss tt"}, {"h:mm ap", "h:mm tt"},   {"HH:mm:ss t", "HH:mm:ss"},
        {"dd/MM/yyyy", "dd/MM/yyyy"}, {"d 'at' HH", "d 'at' HH"},
    };
    for (const auto& [qt, windows] : cases)
        EXPECT_EQ(ToWindowsPicture(qt), windows) << qt;
    const LocaleInfo info = GetUserLocaleInfo();
    EXPECT_FALSE(info.shortDate.empty() || info.timeFormat.empty() || info.decimalSeparator.empty() ||
                 info.negativeSign.empty());
}

TEST(WinExec, StartsTheProgramByPathWithNoArgumentsAndNoShellAndSaysWhatCannotStart) {
    const std::string dir = vtltest::MakeTempDir("exec");
    // A path with a space and a shell character: it must reach exec untouched.
    const std::string program = dir + "/my prog;echo", record = dir + "/record";
    vtltest::WriteFile(program, "#!/bin/sh\necho \"$# $0\" > '" + record + ".tmp'\nmv '" + record + ".tmp' '" + record + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    EXPECT_TRUE(WinExec(program));
    vtltest::WaitUntil([&] { return std::filesystem::exists(record); });
    EXPECT_EQ(vtltest::ReadFile(record), "0 " + program + "\n");
    vtltest::WriteFile(dir + "/plain.txt", "hello");
    for (const std::string& cannot : {dir + "/missing", dir + "/plain.txt", dir})
        EXPECT_FALSE(WinExec(cannot)) << cannot;
}

} // namespace
