#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using Block = std::vector<unsigned char>;

std::uint32_t WordAt(const Block& block, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | block[offset + i];
    return v;
}

TEST(Handoff, ResizeAndMailOfThreePicturesGivesTheRecordBytes) {
    Block block(HANDOFF_BLOCK_SIZE, 0xAB); // old bytes, to see which ones the writer touches
    const std::vector<std::string> files = {"/home/me/a.jpg", "/home/me/b.JPG", "/home/me/c.gif"};
    ASSERT_EQ(WriteHandoff(block.data(), HANDOFF_RESIZE_DEFAULT_MAIL, files), HandoffWrite::Written);

    EXPECT_EQ(block[0], 0xFF);
    EXPECT_EQ(WordAt(block, 1), 4000u);
    EXPECT_EQ(WordAt(block, 5), 4u);
    EXPECT_EQ(WordAt(block, 9), 3u);
    EXPECT_EQ(WordAt(block, 13), 2u);
    EXPECT_EQ(WordAt(block, 17), 0u);
    const std::size_t offsets[] = {21, 281, 541};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(&block[offsets[i]]), files[i].c_str());
        EXPECT_EQ(block[offsets[i] + files[i].size() + 1], 0xAB) << "bytes behind the NUL are left as they were";
    }
    EXPECT_EQ(block[801], 0xAB);

    std::vector<std::string> read;
    const HandoffHeader header = ReadHandoffBlock(block.data(), read);
    EXPECT_EQ(header.nCommand, 2u);
    EXPECT_EQ(header.nPathCount, 3u);
    EXPECT_EQ(read, files);
    EXPECT_EQ(block[0], 0) << "the record is consumed";

    std::vector<std::string> again;
    EXPECT_EQ(ReadHandoffBlock(block.data(), again).nCommand, 0u);
    EXPECT_TRUE(again.empty());
}

TEST(Handoff, ReadyBytesThatNoWriterProducesReadNothing) {
    Block block(HANDOFF_BLOCK_SIZE, 0);
    ASSERT_EQ(WriteHandoff(block.data(), HANDOFF_RESIZE_DEFAULT, {"/a.jpg"}), HandoffWrite::Written);
    for (unsigned char ready : {0x01, 0x42, 0x7F}) {
        block[0] = ready;
        std::vector<std::string> files;
        const HandoffHeader header = ReadHandoffBlock(block.data(), files);
        EXPECT_EQ(header.nCommand, 0u) << int(ready);
        EXPECT_EQ(header.nPathCount, 0u) << int(ready);
        EXPECT_TRUE(files.empty()) << int(ready);
        EXPECT_EQ(block[0], ready) << "left unchanged";
    }
    block[0] = 0x80; // any negative ready byte is pending
    std::vector<std::string> files;
    EXPECT_EQ(ReadHandoffBlock(block.data(), files).nCommand, 1u);
    EXPECT_EQ(files, std::vector<std::string>{"/a.jpg"});
}

TEST(Handoff, CountsAndEntriesTheBlockCannotHoldStayInsideIt) {
    // A block exactly as large as the record, in its own pages with a guard page behind it, so
    // a read past the end faults even without a sanitizer.
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t pages = (HANDOFF_BLOCK_SIZE + page - 1) / page;
    auto* base = static_cast<unsigned char*>(
        mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(base, MAP_FAILED);
    ASSERT_EQ(mprotect(base + pages * page, page, PROT_NONE), 0);
    unsigned char* block = base + pages * page - HANDOFF_BLOCK_SIZE;

    std::memset(block, 'x', HANDOFF_BLOCK_SIZE); // no NUL anywhere
    block[0] = 0xFF;
    const std::uint32_t count = 5000;
    std::memcpy(block + 9, &count, 4);
    std::vector<std::string> files;
    const HandoffHeader header = ReadHandoffBlock(block, files);
    EXPECT_EQ(header.nPathCount, 5000u);
    ASSERT_EQ(files.size(), HANDOFF_MAX_FILES);
    for (const auto& f : files)
        ASSERT_EQ(f, std::string(HANDOFF_PATH_SIZE, 'x'));
    munmap(base, (pages + 1) * page);
}

TEST(Handoff, SelectionsThatDoNotFitAreRefusedWhole) {
    const struct {
        const char* what;
        std::vector<std::string> files;
        HandoffWrite result;
    } cases[] = {
        {"252 pictures", std::vector<std::string>(252, "/a.jpg"), HandoffWrite::TooManyFiles},
        {"a 300-byte path", {"/a.jpg", "/" + std::string(299, 'p')}, HandoffWrite::PathTooLong},
        {"a 260-byte path", {"/" + std::string(259, 'p')}, HandoffWrite::PathTooLong},
    };
    for (const auto& c : cases) {
        Block block(HANDOFF_BLOCK_SIZE, 0x5A);
        std::string refused;
        EXPECT_EQ(WriteHandoff(block.data(), 2, c.files, &refused), c.result) << c.what;
        EXPECT_EQ(block, Block(HANDOFF_BLOCK_SIZE, 0x5A)) << c.what << ": the block must stay untouched";
        EXPECT_FALSE(HandoffRefusalText(c.result, refused).empty());
    }
    Block block(HANDOFF_BLOCK_SIZE, 0);
    std::vector<std::string> most(HANDOFF_MAX_FILES, "/" + std::string(258, 'p')); // 259 bytes: fits
    EXPECT_EQ(WriteHandoff(block.data(), 0, most), HandoffWrite::Written);
    std::vector<std::string> read;
    ReadHandoffBlock(block.data(), read);
    EXPECT_EQ(read, most);
}

TEST(Handoff, RandomBlocksNeverReadOutOfBounds) {
    std::mt19937 random(20261207);
    Block block(HANDOFF_BLOCK_SIZE);
    for (int round = 0; round < 10000; ++round) {
        for (auto& byte : block)
            byte = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random());
        if (round % 2)
            block[0] |= 0x80;
        std::vector<std::string> files;
        const HandoffHeader header = ReadHandoffBlock(block.data(), files);
        ASSERT_LE(files.size(), HANDOFF_MAX_FILES);
        ASSERT_LE(files.size(), header.nPathCount);
        for (const auto& f : files)
            ASSERT_LE(f.size(), HANDOFF_PATH_SIZE);
    }
}

} // namespace
