// The hand-off record: its byte layout, the reader's bounds, and the protocol of writers and
// readers on the test program's own block (see Sandbox.h).
#include "app/core/HandoffBlock.h"
#include "app/core/HandoffMapping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

using Block = std::vector<unsigned char>;
using Files = std::vector<std::string>;

TEST(Handoff, ResizeAndMailOfThreePicturesGivesTheRecordBytes) {
    Block block(HANDOFF_BLOCK_SIZE, 0x2B); // old bytes, to see which ones the writer touches
    block[0] = 0;
    const Files files = {"/home/me/a.jpg", "/home/me/b.JPG", "/home/me/c.gif"};
    ASSERT_EQ(WriteHandoff(block.data(), HANDOFF_RESIZE_DEFAULT_MAIL, files), HandoffWrite::Written);

    std::uint32_t header[5];
    std::memcpy(header, &block[1], sizeof header);
    EXPECT_EQ(std::vector(header, header + 5), (std::vector<std::uint32_t>{4000, 4, 3, 2, 0}));
    EXPECT_EQ(block[0], 0xFF);
    for (const auto& [offset, file] : {std::pair(21, files[0]), {281, files[1]}, {541, files[2]}})
        EXPECT_EQ(std::string(&block[offset], &block[offset + file.size() + 2]), file + '\0' + '\x2B')
            << "the path, its NUL, and behind it the bytes as they were";
    EXPECT_EQ(block[801], 0x2B);

    Files read;
    const HandoffHeader got = ReadHandoffBlock(block.data(), read);
    EXPECT_EQ(std::tie(got.nCommand, got.nPathCount, read), std::make_tuple(2u, 3u, files));
    EXPECT_EQ(block[0], 0) << "the record is claimed";
    // Once claimed, and for a ready byte of 1..127 that no writer produces, nothing is read.
    for (const unsigned char ready : {0x00, 0x01, 0x7F}) {
        block[0] = ready;
        Files again;
        EXPECT_EQ(ReadHandoffBlock(block.data(), again).nCommand + again.size(), 0u);
        EXPECT_EQ(block[0], ready) << "left as it is";
    }
    block[0] = 0x80; // any negative ready byte is pending
    EXPECT_EQ(ReadHandoffBlock(block.data(), read).nCommand, 2u);
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
    Files files;
    EXPECT_EQ(ReadHandoffBlock(block, files).nPathCount, 5000u);
    EXPECT_EQ(files, Files(HANDOFF_MAX_FILES, std::string(HANDOFF_PATH_SIZE, 'x')));
    munmap(base, (pages + 1) * page);

    std::mt19937 random(20261207);
    Block noise(HANDOFF_BLOCK_SIZE);
    for (int round = 0; round < 1000; ++round) {
        for (auto& byte : noise)
            byte = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random());
        noise[0] |= 0x80;
        Files read;
        const HandoffHeader header = ReadHandoffBlock(noise.data(), read);
        ASSERT_LE(read.size(), std::min<std::size_t>(header.nPathCount, HANDOFF_MAX_FILES));
        for (const auto& f : read)
            ASSERT_LE(f.size(), HANDOFF_PATH_SIZE);
    }
}

TEST(Handoff, SelectionsThatDoNotFitAreRefusedWhole) {
    const struct {
        const char* what;
        Files files;
        HandoffWrite result;
    } cases[] = {
        {"252 pictures", Files(252, "/a.jpg"), HandoffWrite::TooManyFiles},
        {"a 260-byte path", {"/a.jpg", "/" + std::string(259, 'p')}, HandoffWrite::PathTooLong},
        {"the most that fit", Files(HANDOFF_MAX_FILES, "/" + std::string(258, 'p')), HandoffWrite::Written},
    };
    for (const auto& c : cases) {
        Block block(HANDOFF_BLOCK_SIZE, 0);
        EXPECT_EQ(WriteHandoff(block.data(), 2, c.files), c.result) << c.what;
        EXPECT_EQ(block == Block(HANDOFF_BLOCK_SIZE, 0), c.result != HandoffWrite::Written)
            << c.what << ": a refused selection leaves the block untouched";
        Files read;
        ReadHandoffBlock(block.data(), read);
        EXPECT_EQ(read, c.result == HandoffWrite::Written ? c.files : Files{}) << c.what;
    }
}

// The command and files of the record the reader claims.
std::pair<std::uint32_t, Files> Take(CHandoffMapping& reader) {
    Files files;
    const std::uint32_t command = reader.Read(files).nCommand;
    return {command, files};
}

TEST(Handoff, ASecondRecordWaitsUntilTheFirstIsTakenOrStale) {
    CHandoffMapping first(true), second(true), reader(false);
    ASSERT_EQ(first.Write(1, {"/a/1.jpg"}), HandoffWrite::Written);
    std::thread quick([&] { second.Write(2, {"/b/2.jpg"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Take(reader), std::pair(1u, Files{"/a/1.jpg"})) << "a pending record is not overwritten";
    quick.join();
    EXPECT_EQ(Take(reader), std::pair(2u, Files{"/b/2.jpg"}));
    // A record that nobody takes within five seconds belongs to a vtl that never started.
    ASSERT_EQ(first.Write(1, {"/a/1.jpg"}), HandoffWrite::Written);
    ASSERT_EQ(second.Write(2, {"/b/2.jpg"}), HandoffWrite::Written);
    EXPECT_EQ(Take(reader), std::pair(2u, Files{"/b/2.jpg"}));
}

// A record that says who wrote it: every path names its writer and number.
Files Record(int writer, int number) {
    Files files(1 + (number * 37 + writer) % HANDOFF_MAX_FILES);
    for (std::size_t i = 0; i < files.size(); ++i)
        files[i] = "/w" + std::to_string(writer) + "/r" + std::to_string(number) + "/" + std::to_string(i) + ".jpg";
    return files;
}

TEST(Handoff, TwoWritersAndTwoReadersHammeringOneBlockOnlyEverSeeWholeRecords) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::seconds(10);
    CHandoffMapping created(true);
    std::atomic<int> writing{2};
    std::atomic<long> written{0}, torn{0}, twice{0};
    std::mutex seenLock;
    std::set<std::pair<int, int>> seen;
    std::vector<std::thread> threads;
    for (int w = 0; w < 2; ++w)
        threads.emplace_back([&, w] {
            CHandoffMapping mapping(true); // each with a mapping of its own, as processes have
            for (int n = 0; Clock::now() < end; ++n, ++written)
                mapping.Write(n % 3, Record(w, n));
            --writing;
        });
    for (int r = 0; r < 2; ++r)
        threads.emplace_back([&] {
            CHandoffMapping mapping(false);
            // Until the writers are done and nothing is pending.
            for (bool more = true, pending = true; more || pending;) {
                more = writing > 0;
                Files files;
                const HandoffHeader header = mapping.Read(files, &pending);
                if (!pending) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                int w = -1, n = -1;
                std::sscanf(files.empty() ? "" : files[0].c_str(), "/w%d/r%d/", &w, &n);
                if (files != Record(w, n) || header.nCommand != std::uint32_t(n % 3) ||
                    header.nPathCount != files.size())
                    ++torn;
                const std::lock_guard lock(seenLock);
                twice += !seen.insert({w, n}).second;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_GT(written, 0);
    EXPECT_EQ(torn, 0) << "a list read that was not written whole";
    EXPECT_EQ(twice, 0) << "a record claimed twice";
    EXPECT_EQ(long(seen.size()), written.load()) << "a record overwritten before it was read";
}

} // namespace
