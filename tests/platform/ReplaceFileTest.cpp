// Replacing a file through a temporary file of ours, and sweeping what a killed writer left.
#include "platform/ReplaceFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

unsigned Mode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ReplaceFile, KeepsTheModeFollowsLinksAndLeavesNoTemporaryFile) {
    const std::string dir = vtltest::MakeTempDir(), real = dir + "/real/settings";
    fs::create_directory(dir + "/real");
    vtltest::WriteFile(real, "old");
    chmod(real.c_str(), 0640);
    fs::create_symlink("real/settings", dir + "/link");
    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/link", "new", 0600));
    EXPECT_TRUE(fs::is_symlink(dir + "/link")) << "the link stays a link";
    EXPECT_EQ(std::pair(vtltest::ReadFile(real), Mode(real)), std::pair(std::string("new"), 0640u))
        << "the replaced file's mode is kept";
    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/fresh", "x", 0604));
    EXPECT_EQ(Mode(dir + "/fresh"), 0604u) << "a new file gets the caller's mode";
    fs::create_symlink("nowhere/at/all", dir + "/dangling");
    EXPECT_FALSE(plat::ReplaceFileContents(dir + "/dangling", "x", 0600));
    ASSERT_TRUE(plat::CFileReplacement(real).Write("half")); // abandoned unfinished
    EXPECT_EQ(vtltest::ReadFile(real), "new");
    EXPECT_EQ(vtltest::FolderNames(dir + "/real"), Names{"settings"});
}

TEST(ReplaceFile, SweepTakesOnlyOldUnlockedFilesOfOurs) {
    const std::string dir = vtltest::MakeTempDir();
    const auto age = [&](const std::string& name) {
        const struct utimbuf old{time(nullptr) - 3600, time(nullptr) - 3600};
        utime((dir + "/" + name).c_str(), &old);
    };
    for (const char* name : {".vtl-save-AAAAAA", ".vtl-save-BBBBBB", ".vtl-save-toolongname", "photo.jpg"}) {
        vtltest::WriteFile(dir + "/" + name, "x");
        age(name);
    }
    vtltest::WriteFile(dir + "/.vtl-save-NEWNEW", "x"); // written a moment ago
    const int held = open((dir + "/.vtl-save-BBBBBB").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    plat::CFileReplacement live(dir + "/photo.jpg"); // a writer of this process, at work
    ASSERT_TRUE(live.IsOpen());
    const std::string writing = fs::path(live.TempPath()).filename().string();
    age(writing);
    plat::SweepStaleTempFiles(dir);
    close(held);
    // Only AAAAAA is a leftover: old, unlocked and named exactly as ours are.
    EXPECT_EQ(vtltest::FolderNames(dir),
              (Names{".vtl-save-BBBBBB", ".vtl-save-NEWNEW", ".vtl-save-toolongname", writing, "photo.jpg"}));
}

} // namespace
