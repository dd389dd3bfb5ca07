// The hand-off record: its byte layout, the reader's bounds, and the protocol of writers and
// readers on the test program's own queue (see Sandbox.h).
#include "app/model/base/HandoffBlock.h"
#include "app/model/base/HandoffQueue.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Block = std::vector<unsigned char>;
using Files = std::vector<std::string>;

TEST(Handoff, ResizeAndMailOfThreePicturesGivesTheRecordBytes) {
    Block block(HANDOFF_BLOCK_SIZE, 0x2B); // old bytes, to see which ones the writer touches
    block[0] = 0;
    const Files files = {"/home/me/a.jpg", "/home/me/b.JPG", "/home/me/c.gif"};
    ASSERT_TRUE(WriteHandoff(block.data(), HANDOFF_RESIZE_DEFAULT_MAIL, files));

    std::uint32_t header[5];
    std::memcpy(header, &block[1], sizeof header);
    EXPECT_EQ(std::vector(header, header + 5), (std::vector<std::uint32_t>{4000, 4, 3, 2, 0}));
    EXPECT_EQ(block[0], 0xFF);
    for (const auto& [offset, file] : {std::pair(21, files[0]), {281, files[1]}, {541, files[2]}})
        EXPECT_EQ(std::string(&block[offset], &block[offset + file.size() + 2]),
                  file + '\0' + '\x2B')
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
    auto* base = static_cast<unsigned char*>(mmap(
        nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(base, MAP_FAILED);
    ASSERT_EQ(mprotect(base + pages * page, page, PROT_NONE), 0);
    unsigned char* block = base + pages * page - HANDOFF_BLOCK_SIZE;
    // The most that fit is written whole, and not a byte past the end.
    const Files most(HANDOFF_MAX_FILES, "/" + std::string(HANDOFF_PATH_SIZE - 2, 'p'));
    Files files;
    ASSERT_TRUE(WriteHandoff(block, 2, most));
    ReadHandoffBlock(block, files);
    EXPECT_EQ(files, most);
    files.clear();
    std::memset(block, 'x', HANDOFF_BLOCK_SIZE); // no NUL anywhere
    block[0] = 0xFF;
    const std::uint32_t count = 5000;
    std::memcpy(block + 9, &count, 4);
    EXPECT_EQ(ReadHandoffBlock(block, files).nPathCount, 5000u);
    EXPECT_EQ(files, Files(HANDOFF_MAX_FILES, std::string(HANDOFF_PATH_SIZE, 'x')));
    munmap(base, (pages + 1) * page);
}

TEST(Handoff, EveryCommandWaitsInTheQueueAndEachStartTakesItsOwnOrElseTheOldest) {
    auto writer = CHandoffQueue::Open(true), reader = CHandoffQueue::Open(false);
    ASSERT_TRUE(writer && reader);
    const auto one = writer->Post(1, {"/a/1.jpg"});
    const auto two = writer->Post(2, {"/b/2.jpg", "/b/3.gif"});
    ASSERT_TRUE(one && two);
    ASSERT_EQ(reader->Peek().size(), 2u) << "a second command never replaces the first";
    // vtl takes the record it was started for, or, started by hand, the oldest; started for a
    // record that another start took meanwhile, it knows it.
    const Files none, firstFiles{"/a/1.jpg"}, secondFiles{"/b/2.jpg", "/b/3.gif"};
    for (const auto& [variable, pending, elsewhere, command, expected] :
         {std::tuple(*two, true, false, 2u, secondFiles),
          {"gone", false, true, 0u, none},
          {"", true, false, 1u, firstFiles},
          {"", false, false, 0u, none}}) {
        const vtltest::ScopedEnv env{{{HANDOFF_RECORD_VARIABLE, variable}}};
        Files files;
        const auto taken = ReadHandoff(files);
        ASSERT_TRUE(taken) << taken.error().message;
        EXPECT_EQ(std::tuple(taken->pending, taken->takenElsewhere,
                             taken->pending ? taken->command : 0u, files),
                  std::tuple(pending, elsewhere, command, expected))
            << variable;
    }
    EXPECT_TRUE(reader->Peek().empty());
}

TEST(Handoff, AWriterWaitsUntilTheProgramItStartedTookItsRecordOrEnded) {
    const std::string dir = vtltest::MakeTempDir("programs"),
                      queue = plat::RecordQueuePath(HandoffQueueName());
    const auto program = [&](const std::string& name, const std::string& body) {
        vtltest::WriteFile(dir + "/" + name, "#!/bin/sh\n" + body + "\n");
        chmod((dir + "/" + name).c_str(), 0700);
        return dir + "/" + name;
    };
    const std::string take = "mv \"" + queue + "/$" + HANDOFF_RECORD_VARIABLE + "\" \"$0.taken\"";
    // The program, why HandOver refuses (nothing: the record was handed over), and whether the
    // program took the record.
    const std::tuple<std::string, std::optional<HandoffWrite>, bool> cases[] = {
        {program("takes", take), std::nullopt, true},
        // A machine so busy that the program takes longer to start than any wait would allow.
        {program("slow", "sleep 6; " + take), std::nullopt, true},
        {program("takes-and-ends-at-once", take + "; exit 3"), std::nullopt, true},
        {program("ends", "exit 0"), HandoffWrite::NotTaken, false},
        {dir + "/takes.taken", HandoffWrite::NotStarted, false}, // not a program
    };
    for (const auto& [path, result, took] : cases) {
        auto writer = CHandoffQueue::Open(true);
        ASSERT_TRUE(writer) << writer.error().message;
        const auto handed = writer->HandOver(path, 2, {"/p/" + path});
        EXPECT_EQ(handed ? std::nullopt : std::optional(handed.error().why), result) << path;
        EXPECT_TRUE(writer->Peek().empty()) << path << ": nothing is left waiting";
        Files files;
        std::string block = vtltest::ReadFile(path + ".taken");
        if (took && block.size() == HANDOFF_BLOCK_SIZE)
            ReadHandoffBlock(reinterpret_cast<unsigned char*>(block.data()), files);
        EXPECT_EQ(files, took ? Files{"/p/" + path} : Files{}) << path;
        EXPECT_EQ(!handed && handed.error().message.find(path) != std::string::npos,
                  result == HandoffWrite::NotStarted)
            << "the program that could not be started is named";
        std::filesystem::remove(path + ".taken");
    }
}

} // namespace
