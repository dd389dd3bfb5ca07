// The application's reading of the user's real hand-off block "vtl". The block is one per
// user, so this program runs alone (see its LOCK in CMakeLists.txt).
#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

namespace {

TEST(Handoff, ApplicationSideReadsTheUsersBlockOnce) {
    std::vector<std::string> files;
    bool pending = true;
    shm_unlink(plat::SharedMemoryObjectName(HANDOFF_BLOCK_NAME).c_str());
    EXPECT_EQ(ReadHandoff(files, &pending), 0u);
    EXPECT_FALSE(pending) << "no block: no hand-off";

    plat::FileMapping* ext = plat::CreateFileMapping(HANDOFF_BLOCK_NAME, HANDOFF_BLOCK_SIZE);
    ASSERT_NE(ext, nullptr);
    auto* block = static_cast<unsigned char*>(plat::MapViewOfFile(ext));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(ReadHandoff(files, &pending), 0u);
    EXPECT_FALSE(pending) << "a fresh block is empty";

    ASSERT_EQ(WriteHandoff(block, HANDOFF_RESIZE_DEFAULT, {"/p/1.jpg", "/p/2.bmp"}), HandoffWrite::Written);
    files = {"kept"};
    EXPECT_EQ(ReadHandoff(files, &pending), 1u);
    EXPECT_TRUE(pending);
    EXPECT_EQ(files, (std::vector<std::string>{"kept", "/p/1.jpg", "/p/2.bmp"}));
    EXPECT_EQ(block[0], 0);
    files.clear();
    EXPECT_EQ(ReadHandoff(files, &pending), 0u);
    EXPECT_FALSE(pending) << "a second start finds nothing pending";

    plat::UnmapViewOfFile(block);
    plat::CloseHandle(ext);
    shm_unlink(plat::SharedMemoryObjectName(HANDOFF_BLOCK_NAME).c_str());
}

} // namespace
