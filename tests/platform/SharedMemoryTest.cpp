#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat;

namespace {

constexpr DWORD kSize = 65535;

// A name of its own per test program run, so parallel test processes never meet.
std::string UniqueName(const char* what) { return std::string("vtltest-") + what + "-" + std::to_string(getpid()); }

struct Unlinker {
    std::string name;
    ~Unlinker() { shm_unlink(SharedMemoryObjectName(name.c_str()).c_str()); }
};

TEST(SharedMemory, ExtensionCreatesZeroFilledBlockThatTheApplicationOpens) {
    const std::string name = UniqueName("roundtrip");
    Unlinker cleanup{name};
    EXPECT_EQ(OpenFileMapping(name.c_str(), kSize), nullptr) << "the application never creates the block";

    FileMapping* ext = CreateFileMapping(name.c_str(), kSize);
    ASSERT_NE(ext, nullptr);
    auto* extView = static_cast<unsigned char*>(MapViewOfFile(ext));
    ASSERT_NE(extView, nullptr);
    for (DWORD i = 0; i < kSize; ++i)
        ASSERT_EQ(extView[i], 0) << "byte " << i;
    extView[0] = 0xFF;
    extView[kSize - 1] = 0x42;
    CloseHandle(ext); // the view outlives the handle

    FileMapping* app = OpenFileMapping(name.c_str(), kSize);
    ASSERT_NE(app, nullptr);
    auto* appView = static_cast<unsigned char*>(MapViewOfFile(app));
    ASSERT_NE(appView, nullptr);
    EXPECT_EQ(appView[0], 0xFF);
    EXPECT_EQ(appView[kSize - 1], 0x42);
    appView[0] = 0;
    EXPECT_EQ(extView[0], 0) << "both sides see one block";

    // A second create opens the existing block instead of clearing it.
    FileMapping* again = CreateFileMapping(name.c_str(), kSize);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(extView[kSize - 1], 0x42);
    CloseHandle(again);

    struct stat st {};
    const int fd = shm_open(SharedMemoryObjectName(name.c_str()).c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    fstat(fd, &st);
    close(fd);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_uid, geteuid());

    EXPECT_TRUE(UnmapViewOfFile(appView));
    EXPECT_TRUE(UnmapViewOfFile(extView));
    EXPECT_FALSE(UnmapViewOfFile(extView));
    CloseHandle(app);
}

TEST(SharedMemory, BlocksOfAnotherModeOrSizeAreRefused) {
    const struct {
        const char* what;
        mode_t mode;
        off_t size;
    } cases[] = {
        {"readable by others", 0644, kSize},
        {"writable by the group", 0660, kSize},
        {"too small", 0600, 4096},
        {"too large", 0600, kSize + 1},
    };
    for (const auto& c : cases) {
        const std::string name = UniqueName("refused");
        Unlinker cleanup{name};
        const int fd = shm_open(SharedMemoryObjectName(name.c_str()).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0) << c.what;
        ASSERT_EQ(fchmod(fd, c.mode), 0);
        ASSERT_EQ(ftruncate(fd, c.size), 0);
        close(fd);
        EXPECT_EQ(OpenFileMapping(name.c_str(), kSize), nullptr) << c.what;
        EXPECT_EQ(CreateFileMapping(name.c_str(), kSize), nullptr) << c.what;
    }
}

TEST(SharedMemory, NameIsPrivateToTheUser) {
    EXPECT_EQ(SharedMemoryObjectName("vtl"), "/vtl-" + std::to_string(geteuid()));
}

} // namespace
