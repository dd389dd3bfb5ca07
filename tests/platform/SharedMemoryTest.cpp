// The user's private block of shared memory: where it lives, who may make it, what is refused.
#include "platform/SharedMemory.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kSize = 65535;

// A block name of its own per test, in a runtime folder of its own.
struct Block {
    Block()
        : runtime(vtltest::MakeTempDir("runtime")), name{"b",
                                                         "vtltest-" + std::to_string(getpid())} {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    ~Block() { unlink(("/dev/shm/" + name.shm + "-" + std::to_string(geteuid())).c_str()); }
    std::string runtime;
    MappingName name;
};

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

TEST(SharedMemory, ExtensionCreatesAPrivateZeroedBlockThatTheApplicationOpens) {
    for (const bool runtimeFolder : {true, false}) {
        Block block;
        if (!runtimeFolder)
            unsetenv("XDG_RUNTIME_DIR");
        const std::string path =
            runtimeFolder ? block.runtime + "/vantrel/b"
                          : "/dev/shm/" + block.name.shm + "-" + std::to_string(geteuid());
        EXPECT_EQ(FileMappingPath(block.name), path);
        std::string refusal = "?";
        EXPECT_EQ(OpenFileMapping(block.name, kSize, &refusal), nullptr)
            << "the application never creates it";
        EXPECT_EQ(refusal, "") << "a missing block is no refusal";

        FileMapping* ext = CreateFileMapping(block.name, kSize, &refusal);
        ASSERT_NE(ext, nullptr) << refusal;
        auto* extView = static_cast<unsigned char*>(MapViewOfFile(ext));
        ASSERT_NE(extView, nullptr);
        EXPECT_EQ(std::count(extView, extView + kSize, 0), kSize);
        extView[kSize - 1] = 0x42;
        CloseHandle(ext); // the view outlives the handle
        FileMapping* again = CreateFileMapping(block.name, kSize);
        ASSERT_NE(again, nullptr) << "a second create opens the block";
        CloseHandle(again);

        FileMapping* app = OpenFileMapping(block.name, kSize);
        auto* appView = static_cast<unsigned char*>(MapViewOfFile(app));
        ASSERT_NE(appView, nullptr);
        EXPECT_EQ(appView[kSize - 1], 0x42)
            << "both sides see one block, not cleared by the second create";
        EXPECT_EQ(Stat(path).st_mode & 07777, 0600u);
        EXPECT_EQ(Stat(path).st_uid, geteuid());
        if (runtimeFolder) {
            EXPECT_EQ(Stat(block.runtime + "/vantrel").st_mode & 07777, 0700u);
        }
        EXPECT_TRUE(UnmapViewOfFile(appView));
        EXPECT_TRUE(UnmapViewOfFile(extView));
        EXPECT_FALSE(UnmapViewOfFile(extView));
        CloseHandle(app);
    }
}

TEST(SharedMemory, WhatAnotherProcessPutInTheBlocksPlaceIsRefusedWithItsPathAndCause) {
    const struct {
        const char* what;
        std::function<void(const std::string& folder, const std::string& path)> squat;
        const char* cause;
    } cases[] = {
        {"a FIFO", [](auto&, auto& path) { mkfifo(path.c_str(), 0600); }, "is a FIFO"},
        {"a symbolic link", [](auto&, auto& path) { symlink("/dev/zero", path.c_str()); },
         "is a symbolic link"},
        {"a folder", [](auto&, auto& path) { mkdir(path.c_str(), 0700); }, "is a folder"},
        {"a block others may write",
         [](auto&, auto& path) {
             vtltest::WriteFile(path, std::string(kSize, '\0'));
             chmod(path.c_str(), 0666);
         },
         "has mode 0666 instead of 0600"},
        {"a block of another size",
         [](auto&, auto& path) {
             vtltest::WriteFile(path, "small");
             chmod(path.c_str(), 0600);
         },
         "holds 5 bytes instead of 65535"},
        {"a folder others may write", [](auto& folder, auto&) { chmod(folder.c_str(), 0777); },
         "can be written by other users"},
        {"a file in place of the folder",
         [](auto& folder, auto&) {
             fs::remove_all(folder);
             vtltest::WriteFile(folder, "");
         },
         "not a folder"},
        {"a block of another user",
         [](auto&, auto& path) {
             vtltest::WriteFile(path, std::string(kSize, '\0'));
             chmod(path.c_str(), 0600);
             if (chown(path.c_str(), 4242, 4242) != 0)
                 unlink(path.c_str());
         },
         "belongs to another user"},
    };
    for (const auto& c : cases) {
        if (std::string(c.what) == "a block of another user" && geteuid() != 0)
            continue; // only root can give a file away
        Block block;
        const std::string folder = block.runtime + "/vantrel";
        mkdir(folder.c_str(), 0700);
        const std::string path = FileMappingPath(block.name);
        c.squat(folder, path);
        for (const bool create : {false, true}) {
            std::string refusal;
            FileMapping* mapping = create ? CreateFileMapping(block.name, kSize, &refusal)
                                          : OpenFileMapping(block.name, kSize, &refusal);
            EXPECT_EQ(mapping, nullptr) << c.what;
            CloseHandle(mapping);
            EXPECT_NE(refusal.find(c.cause), std::string::npos) << c.what << ": " << refusal;
            EXPECT_TRUE(refusal.rfind(fs::exists(path) ? path : folder, 0) == 0)
                << c.what << ": " << refusal;
            EXPECT_TRUE(refusal.find("Remove it") != std::string::npos ||
                        refusal.find("system administrator") != std::string::npos)
                << c.what << ": " << refusal;
        }
    }
}

} // namespace
