// The application's reading of the hand-off block (the test program's own, see Sandbox.h).
#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

namespace {

TEST(Handoff, ApplicationSideReadsTheUsersBlockOnce) {
    std::vector<std::string> files;
    bool pending = true;
    EXPECT_EQ(ReadHandoff(files, &pending), 0u);
    EXPECT_FALSE(pending) << "no block: no hand-off";

    plat::FileMapping* ext = plat::CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE);
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
}

} // namespace
