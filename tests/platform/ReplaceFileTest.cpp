// Replacing a file through a temporary file of ours, and sweeping what a killed writer left.
#include "platform/ReplaceFile.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReplaceFile, KeepsTheModeFollowsLinksAndLeavesNoTemporaryFile) {
    const std::string dir = vtltest::MakeTempDir();
    fs::create_directory(dir + "/real");
    vtltest::WriteFile(dir + "/real/settings", "old");
    chmod((dir + "/real/settings").c_str(), 0640);
    fs::create_symlink("real/settings", dir + "/link");

    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/link", "new", 0600));
    EXPECT_TRUE(fs::is_symlink(dir + "/link")) << "the link stays a link";
    EXPECT_EQ(vtltest::ReadFile(dir + "/real/settings"), "new");
    struct stat st {};
    ASSERT_EQ(stat((dir + "/real/settings").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replaced file's mode is kept";
    EXPECT_EQ(Names(dir + "/real"), std::vector<std::string>{"settings"});

    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/fresh", "x", 0604));
    ASSERT_EQ(stat((dir + "/fresh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u) << "a new file gets the caller's mode";

    fs::create_symlink("nowhere/at/all", dir + "/dangling");
    EXPECT_FALSE(plat::ReplaceFileContents(dir + "/dangling", "x", 0600));
    EXPECT_TRUE(fs::is_symlink(dir + "/dangling"));

    {
        plat::CFileReplacement abandoned(dir + "/real/settings");
        ASSERT_TRUE(abandoned.Write("half"));
    }
    EXPECT_EQ(vtltest::ReadFile(dir + "/real/settings"), "new");
    EXPECT_EQ(Names(dir + "/real"), std::vector<std::string>{"settings"});
}

TEST(ReplaceFile, SweepTakesOnlyOldUnlockedFilesOfOurs) {
    const std::string dir = vtltest::MakeTempDir();
    const auto age = [&](const std::string& name) {
        const struct utimbuf old{time(nullptr) - 3600, time(nullptr) - 3600};
        utime((dir + "/" + name).c_str(), &old);
    };
    for (const char* name : {".vtl-save-AAAAAA", ".vtl-save-BBBBBB", ".vtl-save-CCCCCC",
                             ".vtl-save-toolongname", "photo.jpg"}) {
        vtltest::WriteFile(dir + "/" + name, "x");
        age(name);
    }
    vtltest::WriteFile(dir + "/.vtl-save-NEWNEW", "x"); // written a moment ago
    const int held = open((dir + "/.vtl-save-BBBBBB").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    plat::CFileReplacement live(dir + "/photo.jpg"); // a writer of this process, at work
    ASSERT_TRUE(live.IsOpen());
    age(fs::path(live.TempPath()).filename().string());

    plat::SweepStaleTempFiles(dir);
    close(held);
    // Only CCCCCC is a leftover: old, unlocked and named exactly as ours are.
    std::vector<std::string> expected{".vtl-save-BBBBBB", ".vtl-save-NEWNEW",
                                      ".vtl-save-toolongname",
                                      fs::path(live.TempPath()).filename().string(), "photo.jpg"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir), expected);
}

} // namespace
