// The user's private block of shared memory: where it lives, who may make it, what is refused.
#include "platform/SharedMemory.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kSize = 65535;

// A block name of the test's own, in a runtime folder of its own.
struct Block {
    Block() { setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); }
    ~Block() { unlink(("/dev/shm/" + name.shm + "-" + std::to_string(geteuid())).c_str()); }
    std::string runtime = vtltest::MakeTempDir("runtime");
    MappingName name{"b", "vtltest-" + std::to_string(getpid())};
};

unsigned Mode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && st.st_uid == geteuid() ? st.st_mode & 07777 : 0;
}

TEST(SharedMemory, TheExtensionCreatesAPrivateZeroedBlockThatTheApplicationOpens) {
    for (const bool runtimeFolder : {true, false}) {
        Block block;
        if (!runtimeFolder)
            unsetenv("XDG_RUNTIME_DIR");
        const std::string path = runtimeFolder ? block.runtime + "/vantrel/b"
                                               : "/dev/shm/" + block.name.shm + "-" + std::to_string(geteuid());
        EXPECT_EQ(FileMappingPath(block.name), path);
        std::string refusal = "?";
        EXPECT_EQ(OpenFileMapping(block.name, kSize, &refusal), nullptr) << "the application never creates it";
        EXPECT_EQ(refusal, "") << "a missing block is no refusal";
        FileMapping* ext = CreateFileMapping(block.name, kSize, &refusal);
        auto* extView = static_cast<unsigned char*>(MapViewOfFile(ext));
        ASSERT_NE(extView, nullptr) << refusal;
        EXPECT_EQ(std::count(extView, extView + kSize, 0), kSize);
        extView[kSize - 1] = 0x42;
        CloseHandle(ext); // the view outlives the handle
        CloseHandle(CreateFileMapping(block.name, kSize)); // a second create opens, never clears
        FileMapping* app = OpenFileMapping(block.name, kSize);
        auto* appView = static_cast<unsigned char*>(MapViewOfFile(app));
        ASSERT_NE(appView, nullptr);
        EXPECT_EQ(appView[kSize - 1], 0x42) << "both sides see one block";
        EXPECT_EQ(Mode(path), 0600u);
        EXPECT_EQ(Mode(block.runtime + "/vantrel"), runtimeFolder ? 0700u : 0u);
        EXPECT_TRUE(UnmapViewOfFile(appView) && UnmapViewOfFile(extView) && !UnmapViewOfFile(extView));
        CloseHandle(app);
    }
}

void Put(const std::string& path, std::size_t size, mode_t mode) {
    vtltest::WriteFile(path, std::string(size, '\0'));
    chmod(path.c_str(), mode);
}

TEST(SharedMemory, WhatAnotherProgramPutInTheBlocksPlaceIsRefusedWithItsPathAndCause) {
    using Squat = void (*)(const std::string& folder, const std::string& path);
    std::vector<std::pair<Squat, const char*>> cases = {
        {[](auto&, auto& path) { mkfifo(path.c_str(), 0600); }, "is a FIFO"},
        {[](auto&, auto& path) { symlink("/dev/zero", path.c_str()); }, "is a symbolic link"},
        {[](auto&, auto& path) { mkdir(path.c_str(), 0700); }, "is a folder"},
        {[](auto&, auto& path) { Put(path, kSize, 0666); }, "has mode 0666 instead of 0600. Remove it"},
        {[](auto&, auto& path) { Put(path, 5, 0600); }, "holds 5 bytes instead of 65535"},
        {[](auto& folder, auto&) { chmod(folder.c_str(), 0777); }, "can be written by other users"},
        {[](auto& folder, auto&) { rmdir(folder.c_str()), vtltest::WriteFile(folder, ""); }, "is a file, not a folder"},
    };
    if (geteuid() == 0) // only root can give a file away
        cases.push_back({[](auto&, auto& path) { Put(path, kSize, 0600), void(!chown(path.c_str(), 4242, 4242)); },
                         "belongs to another user. Ask the system administrator"});
    for (const auto& [squat, cause] : cases) {
        Block block;
        const std::string folder = block.runtime + "/vantrel";
        mkdir(folder.c_str(), 0700);
        squat(folder, FileMappingPath(block.name));
        for (const bool create : {false, true}) {
            std::string refusal;
            FileMapping* mapping = create ? CreateFileMapping(block.name, kSize, &refusal)
                                          : OpenFileMapping(block.name, kSize, &refusal);
            EXPECT_EQ(mapping, nullptr) << cause;
            CloseHandle(mapping);
            EXPECT_NE(refusal.find(cause), std::string::npos) << refusal;
            EXPECT_EQ(refusal.rfind(folder, 0), 0u) << "the path comes first: " << refusal;
        }
    }
}

} // namespace
