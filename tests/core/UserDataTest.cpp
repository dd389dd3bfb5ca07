// user.dat: the fixed record of the mail subject and body.
#include "app/core/UserData.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

struct Texts {
    char subject[USERDATA_SUBJECT_SIZE] = "old subject";
    char body[USERDATA_BODY_SIZE] = "old body";
};

std::string Record(const std::string& subject, const std::string& body) {
    std::string record(USERDATA_FILE_SIZE, '\0');
    record.replace(0, subject.size(), subject);
    record.replace(USERDATA_SUBJECT_SIZE, body.size(), body);
    return record;
}

TEST(UserData, ReadingTheRecord) {
    const std::string path = vtltest::MakeTempDir("userdata") + "/user.dat";
    std::string withJunk = Record("Hello", "World");
    withJunk.replace(6, 4, "junk"); // bytes behind the NUL mean nothing
    const struct {
        const char* what;
        std::optional<std::string> file; // nullopt: none; "FIFO": a FIFO instead of a file
        UserDataRead result;
        std::string subject, body;
    } cases[] = {
        {"missing", std::nullopt, UserDataRead::Missing, "", ""},
        {"a FIFO, not waited on", "FIFO", UserDataRead::Missing, "", ""},
        {"5199 bytes", Record("New", "Text").substr(0, USERDATA_FILE_SIZE - 1), UserDataRead::Short, "old subject",
         "old body"},
        {"texts with junk behind their NUL", withJunk, UserDataRead::Read, "Hello", "World"},
        {"fields without a NUL stop at their end", std::string(200, 's') + std::string(5000, 'b'),
         UserDataRead::Read, std::string(199, 's'), std::string(4999, 'b')},
    };
    for (const auto& c : cases) {
        fs::remove_all(path);
        if (c.file == "FIFO")
            mkfifo(path.c_str(), 0600);
        else if (c.file)
            vtltest::WriteFile(path, *c.file);
        Texts texts;
        EXPECT_EQ(ReadUserData(path, texts.subject, texts.body), c.result) << c.what;
        EXPECT_EQ(std::string(texts.subject) + "|" + texts.body, c.subject + "|" + c.body) << c.what;
    }
}

TEST(UserData, WritingKeepsTheRecordExactAndWholeAndLosesNothingWhenItCannot) {
    const std::string dir = vtltest::MakeTempDir("userdata");
    ASSERT_TRUE(WriteUserData(dir + "/user.dat", std::string(199, 'S').c_str(), std::string(4999, 'B').c_str()));
    EXPECT_EQ(vtltest::ReadFile(dir + "/user.dat"), Record(std::string(199, 'S'), std::string(4999, 'B')));
    EXPECT_EQ(vtltest::FolderNames(dir), std::set<std::string>{"user.dat"}) << "no temporary file";
    // "é" is two bytes: 100 of them are 200 bytes, one too many for the subject field.
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    ASSERT_TRUE(WriteUserData(dir + "/user.dat", accents.c_str(), "kept body"));
    EXPECT_EQ(vtltest::ReadFile(dir + "/user.dat"), Record(accents.substr(0, 198), "kept body")) << "cut between characters";

    EXPECT_FALSE(WriteUserData(dir + "/missing-folder/user.dat", "a", "b"));
    const std::string fifo = vtltest::MakeTempDir("fifo") + "/user.dat";
    mkfifo(fifo.c_str(), 0600);
    EXPECT_FALSE(WriteUserData(fifo, "new", "new body"));
    EXPECT_TRUE(fs::is_fifo(fifo)) << "a user.dat that cannot be read is never replaced";
}

} // namespace
