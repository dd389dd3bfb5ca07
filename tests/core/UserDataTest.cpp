#include "app/core/UserData.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace {

struct Texts {
    char subject[USERDATA_SUBJECT_SIZE];
    char body[USERDATA_BODY_SIZE];
    Texts(const char* s = "old subject", const char* b = "old body") {
        std::strcpy(subject, s);
        std::strcpy(body, b);
    }
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
        std::optional<std::string> file;
        UserDataRead result;
        std::string subject, body;
    } cases[] = {
        {"missing", std::nullopt, UserDataRead::Missing, "", ""},
        {"5199 bytes", Record("New", "Text").substr(0, USERDATA_FILE_SIZE - 1), UserDataRead::Short, "old subject",
         "old body"},
        {"empty file", "", UserDataRead::Short, "old subject", "old body"},
        {"texts with junk behind their NUL", withJunk, UserDataRead::Read, "Hello", "World"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        if (c.file)
            vtltest::WriteFile(path, *c.file);
        Texts texts;
        EXPECT_EQ(ReadUserData(path, texts.subject, texts.body), c.result) << c.what;
        EXPECT_EQ(texts.subject, c.subject) << c.what;
        EXPECT_EQ(texts.body, c.body) << c.what;
    }
}

TEST(UserData, FieldsWithoutNulStopAtTheirEnd) {
    const std::string path = vtltest::MakeTempDir("userdata") + "/user.dat";
    vtltest::WriteFile(path, std::string(USERDATA_SUBJECT_SIZE, 's') + std::string(USERDATA_BODY_SIZE, 'b'));
    Texts texts;
    ASSERT_EQ(ReadUserData(path, texts.subject, texts.body), UserDataRead::Read);
    EXPECT_EQ(std::string(texts.subject), std::string(199, 's'));
    EXPECT_EQ(std::string(texts.body), std::string(4999, 'b'));
}

TEST(UserData, WritingKeepsTheRecordExactAndWhole) {
    const std::string dir = vtltest::MakeTempDir("userdata");
    const std::string path = dir + "/user.dat";
    const std::string subject(199, 'S');
    const std::string body(4999, 'B');
    ASSERT_TRUE(WriteUserData(path, subject.c_str(), body.c_str()));
    EXPECT_EQ(vtltest::ReadFile(path), Record(subject, body));
    Texts texts("", "");
    ASSERT_EQ(ReadUserData(path, texts.subject, texts.body), UserDataRead::Read);
    EXPECT_EQ(texts.subject, subject);
    EXPECT_EQ(texts.body, body);
    // Only user.dat is left in the folder: no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

TEST(UserData, LongTextsAreCutBetweenCharacters) {
    // "é" is two bytes: 100 of them are 200 bytes, one too many for the subject field.
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    char subject[USERDATA_SUBJECT_SIZE];
    CopyTextCut(subject, sizeof subject, accents.c_str());
    EXPECT_EQ(std::string(subject), accents.substr(0, 198));
    const std::string euro = std::string(4997, 'x') + "\xE2\x82\xAC"; // 5000 bytes
    char body[USERDATA_BODY_SIZE];
    CopyTextCut(body, sizeof body, euro.c_str());
    EXPECT_EQ(std::string(body), std::string(4997, 'x'));
}

TEST(UserData, AFolderThatCannotBeWrittenIsReportedAndLosesNothing) {
    const std::string dir = vtltest::MakeTempDir("userdata");
    const std::string path = dir + "/user.dat";
    ASSERT_TRUE(WriteUserData(path, "kept", "kept body"));
    EXPECT_FALSE(WriteUserData(dir + "/missing-folder/user.dat", "a", "b"));
    if (geteuid() != 0) { // root writes anywhere
        chmod(dir.c_str(), 0500);
        EXPECT_FALSE(WriteUserData(path, "new", "new body"));
        chmod(dir.c_str(), 0700);
    }
    EXPECT_EQ(vtltest::ReadFile(path), Record("kept", "kept body"));
}

} // namespace
