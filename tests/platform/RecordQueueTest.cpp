// The user's private queue of records: where it lives, who may make it, what is refused, and
// that a record is taken whole and once (twenty programs taking theirs at once are seen in
// vtlmenu's tests).
#include "platform/RecordQueue.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = 4096;

// A queue name of the test's own, in a runtime folder of its own.
struct Queue {
    Queue() { setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); }
    ~Queue() { fs::remove_all("/dev/shm/" + name.shm + "-" + std::to_string(geteuid())); }
    std::string runtime = vtltest::MakeTempDir("runtime");
    QueueName name{"q", "vtltest-" + std::to_string(getpid())};
};

unsigned Mode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && st.st_uid == geteuid() ? st.st_mode & 07777 : 0;
}

std::string Record(char fill) {
    return std::string(kSize, fill);
}

TEST(RecordQueue, RecordsArePrivateWaitInOrderAndAreTakenOnce) {
    for (const bool runtimeFolder : {true, false}) {
        Queue queue;
        if (!runtimeFolder)
            unsetenv("XDG_RUNTIME_DIR");
        const std::string path =
            runtimeFolder ? queue.runtime + "/vantrel/q"
                          : "/dev/shm/" + queue.name.shm + "-" + std::to_string(geteuid());
        EXPECT_EQ(RecordQueuePath(queue.name), path);
        {
            const CRecordQueue reader(queue.name, kSize, false);
            EXPECT_EQ(std::pair(reader.IsOpen(), reader.Refusal()), std::pair(false, std::string()))
                << "only the writing side makes the queue, and a missing one is no refusal";
        }
        CRecordQueue writer(queue.name, kSize, true);
        ASSERT_TRUE(writer.IsOpen()) << writer.Refusal();
        const auto one = writer.Publish(Record('a')), two = writer.Publish(Record('b'));
        ASSERT_TRUE(one && two && !one->empty() && !two->empty());
        const std::string first = *one, second = *two;
        EXPECT_FALSE(writer.Publish("short")) << "a record is whole or not at all";
        EXPECT_EQ(
            std::tuple(Mode(path), Mode(path + "/" + first), Mode(queue.runtime + "/vantrel")),
            std::tuple(0700u, 0600u, runtimeFolder ? 0700u : 0u))
            << "the queue, a record, the runtime folder's own folder";

        CRecordQueue reader(queue.name, kSize, false);
        const auto peeked = reader.Peek();
        ASSERT_EQ(peeked.size(), 2u);
        EXPECT_EQ(std::make_pair(peeked[0].first, peeked[1].second),
                  std::make_pair(first, Record('b')))
            << "oldest first, and looking takes nothing";
        EXPECT_EQ(reader.Take(second), Record('b')) << "a record asked for by name";
        EXPECT_FALSE(writer.Take(second)) << "taken once";
        EXPECT_EQ(std::pair(reader.IsQueued(first), reader.IsQueued(second)),
                  std::pair(true, false));
        std::string name;
        EXPECT_EQ(reader.TakeOldest(&name), Record('a'));
        EXPECT_EQ(name, first);
        EXPECT_FALSE(reader.TakeOldest());
        EXPECT_TRUE(vtltest::FolderNames(path).empty()) << "nothing left behind";
    }
}

TEST(RecordQueue, WhatAnotherProgramPutInTheQueuesPlaceIsRefusedWithItsPathAndCause) {
    using Squat = void (*)(const std::string& folder, const std::string& path);
    std::vector<std::pair<Squat, const char*>> cases = {
        {[](auto&, auto& path) { symlink("/tmp", path.c_str()); }, "is a symbolic link"},
        {[](auto&, auto& path) { mkdir(path.c_str(), 0700), chmod(path.c_str(), 0777); },
         "can be written by other users (mode 0777). Remove it"},
        {[](auto& folder, auto&) { chmod(folder.c_str(), 0777); }, "can be written by other users"},
        {[](auto& folder, auto&) { rmdir(folder.c_str()), vtltest::WriteFile(folder, ""); },
         "is a file, not a folder"},
    };
    if (geteuid() == 0) // only root can give a folder away
        cases.push_back({[](auto&, auto& path) {
                             mkdir(path.c_str(), 0700), void(!chown(path.c_str(), 4242, 4242));
                         },
                         "belongs to another user. Ask the system administrator"});
    for (const auto& [squat, cause] : cases) {
        Queue queue;
        const std::string folder = queue.runtime + "/vantrel";
        mkdir(folder.c_str(), 0700);
        squat(folder, RecordQueuePath(queue.name));
        for (const bool create : {false, true}) {
            const CRecordQueue refused(queue.name, kSize, create);
            EXPECT_FALSE(refused.IsOpen()) << cause;
            EXPECT_NE(refused.Refusal().find(cause), std::string::npos) << refused.Refusal();
            EXPECT_EQ(refused.Refusal().rfind(folder, 0), 0u)
                << "the path comes first: " << refused.Refusal();
        }
    }

    // In the queue itself: files that are no records are never taken.
    Queue queue;
    CRecordQueue writer(queue.name, kSize, true);
    const std::string path = RecordQueuePath(queue.name);
    vtltest::WriteFile(path + "/0-short", "x");
    mkfifo((path + "/0-fifo").c_str(), 0600);
    symlink((path + "/0-short").c_str(), (path + "/0-link").c_str());
    EXPECT_EQ(std::pair(writer.TakeOldest().has_value(), writer.Peek().size()),
              std::pair(false, std::size_t{0}));
    const auto published = writer.Publish(Record('r'));
    ASSERT_TRUE(published);
    const std::string record = *published;
    EXPECT_EQ(vtltest::FolderNames(path),
              (std::set<std::string>{"0-fifo", "0-link", "0-short", record}));
    EXPECT_FALSE(writer.Take("../q/" + record)) << "a name, never a path";
}

} // namespace
