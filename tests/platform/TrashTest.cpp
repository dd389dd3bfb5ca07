// The freedesktop.org trash: which folder a volume's files go to, and what a kept original
// looks like there (a second name of the same file, its record beside it).
#include "platform/Trash.h"
#include "platform/posix/TrashDir.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <functional>
#include <regex>

using namespace plat;
namespace fs = std::filesystem;

namespace {

ino_t Inode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(Trash, AVolumeUsesTheSharedTrashOnlyAsAnAdministratorMadeIt) {
    const std::string uid = std::to_string(getuid());
    const struct {
        const char* what;
        std::function<void(const std::string& top)> make;
        std::string expected; // under the top folder; "" for no trash
    } cases[] = {
        {"nothing there yet", [](const std::string&) {}, "/.Trash-" + uid},
        {"a shared .Trash with the sticky bit",
         [](const std::string& top) {
             fs::create_directory(top + "/.Trash");
             chmod((top + "/.Trash").c_str(), 01777);
         },
         "/.Trash/" + uid},
        {"a shared .Trash without the sticky bit",
         [](const std::string& top) { fs::create_directory(top + "/.Trash"); }, "/.Trash-" + uid},
        {"a .Trash that is a link to a sticky folder",
         [](const std::string& top) {
             fs::create_directory(top + "/elsewhere");
             chmod((top + "/elsewhere").c_str(), 01777);
             fs::create_directory_symlink(top + "/elsewhere", top + "/.Trash");
         },
         "/.Trash-" + uid},
        {"a .Trash-UID that is a link",
         [uid](const std::string& top) {
             fs::create_directory(top + "/elsewhere");
             fs::create_directory_symlink(top + "/elsewhere", top + "/.Trash-" + uid);
         },
         ""},
        {"a volume that cannot be written",
         [](const std::string& top) { vtltest::MakeReadOnly(top); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string top = vtltest::MakeTempDir("volume");
        c.make(top);
        const std::string trash = VolumeTrashDir(top, getuid());
        chmod(top.c_str(), 0755);
        EXPECT_EQ(trash, c.expected.empty() ? "" : top + c.expected);
        if (!trash.empty()) {
            EXPECT_TRUE(fs::is_directory(trash + "/files"));
            EXPECT_TRUE(fs::is_directory(trash + "/info"));
            EXPECT_EQ(fs::status(trash).permissions(), fs::perms::owner_all);
        }
    }
}

TEST(Trash, AKeptOriginalIsASecondNameOfTheFileWithItsRecord) {
    const std::string dir = vtltest::MakeTempDir("pictures");
    const std::string trash = HomeTrashDir();
    ASSERT_EQ(trash, std::string(std::getenv("XDG_DATA_HOME")) + "/Trash");
    const struct {
        std::string name, keptAs;
    } cases[] = {
        {"a b%#.jpg", "a b%#.jpg"}, {"a b%#.jpg", "a b%#.2.jpg"}, // the same name again
        {"plain", "plain"},         {"plain", "plain.2"},         {"plain", "plain.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keptAs);
        const std::string file = dir + "/" + c.name;
        vtltest::WriteFile(file, "picture " + c.keptAs);
        const auto kept = KeepInTrash(file);
        ASSERT_TRUE(kept) << kept.error().message;
        EXPECT_EQ(*kept, trash + "/files/" + c.keptAs);
        EXPECT_EQ(Inode(*kept), Inode(file)) << "the file stays where it is, and is not copied";
        const std::string record = vtltest::ReadFile(trash + "/info/" + c.keptAs + ".trashinfo");
        EXPECT_TRUE(std::regex_match(
            record, std::regex("\\[Trash Info\\]\nPath=" + TrashInfoPath(fs::canonical(file)) +
                               "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT"
                               "\\d\\d:\\d\\d:\\d\\d\n")))
            << record;
    }
    EXPECT_EQ(TrashInfoPath("/p/a b%#ü.jpg"), "/p/a%20b%25%23%C3%BC.jpg");
}

TEST(Trash, WhereNoTrashCanBeMadeTheOriginalStaysAndNoRecordIsLeft) {
    const std::string uid = std::to_string(getuid());
    const struct {
        const char* what;
        bool otherVolume;
        const char* readOnly; // under the trash's parent: the data home, or the volume's top
        const char* link;     // a symbolic link made there in place of the trash
    } cases[] = {
        {"a home trash whose records cannot be written", false, "Trash/info", nullptr},
        {"a home trash whose files cannot be written", false, "Trash/files", nullptr},
        {"a volume whose trash is a link", true, nullptr, ".Trash-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string data = vtltest::MakeTempDir("data");
        vtltest::ScopedEnv env({{"XDG_DATA_HOME", data}});
        std::string top = data;
        if (c.otherVolume && !vtltest::MountPrivately(top = vtltest::MakeTempDir("volume"), "8m")) {
            std::cout << "not run (needs a file system of its own): " << c.what << "\n";
            continue;
        }
        fs::create_directories(top + "/Trash/files");
        fs::create_directories(top + "/Trash/info");
        if (c.link)
            fs::create_directory_symlink(top + "/Trash", top + "/" + c.link + uid);
        if (c.readOnly && !vtltest::MakeReadOnly(top + "/" + c.readOnly)) {
            std::cout << "not run (needs a read-only folder): " << c.what << "\n";
            continue;
        }
        const std::string file = top + "/a.jpg";
        vtltest::WriteFile(file, "picture");
        const auto kept = KeepInTrash(file);
        chmod((top + "/" + (c.readOnly ? c.readOnly : "")).c_str(), 0700);
        ASSERT_FALSE(kept);
        EXPECT_NE(kept.error().message.find(file), std::string::npos) << kept.error().message;
        EXPECT_EQ(vtltest::ReadFile(file), "picture");
        EXPECT_TRUE(fs::is_empty(top + "/Trash/info"));
        EXPECT_TRUE(fs::is_empty(top + "/Trash/files"));
    }
}

TEST(Trash, AFileOnAnotherVolumeGoesToThatVolumesTrash) {
    const std::string top = vtltest::MakeTempDir("volume");
    if (!vtltest::MountPrivately(top, "8m"))
        GTEST_SKIP() << "needs a file system of its own";
    fs::create_directories(top + "/pictures");
    const std::string file = top + "/pictures/a.jpg";
    vtltest::WriteFile(file, "picture");
    const auto kept = KeepInTrash(file);
    ASSERT_TRUE(kept) << kept.error().message;
    const std::string trash = top + "/.Trash-" + std::to_string(getuid());
    EXPECT_EQ(*kept, trash + "/files/a.jpg");
    EXPECT_EQ(Inode(*kept), Inode(file));
    EXPECT_NE(vtltest::ReadFile(trash + "/info/a.jpg.trashinfo").find("\nPath=" + file + "\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/a.jpg"));
}

TEST(Trash, ARecordLeftWithoutItsFileIsTidiedOnceItIsOld) {
    const std::string data = vtltest::MakeTempDir("data");
    vtltest::ScopedEnv env({{"XDG_DATA_HOME", data}});
    const std::string info = data + "/Trash/info/";
    fs::create_directories(info);
    fs::create_directories(data + "/Trash/files");
    for (const char* name : {"old.jpg", "new.jpg", "kept.jpg"})
        vtltest::WriteFile(info + name + ".trashinfo", "[Trash Info]\n");
    vtltest::WriteFile(data + "/Trash/files/kept.jpg", "");
    const timeval old[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    utimes((info + "old.jpg.trashinfo").c_str(), old);
    utimes((info + "kept.jpg.trashinfo").c_str(), old);
    const std::string file = vtltest::MakeTempDir("pictures") + "/a.jpg";
    vtltest::WriteFile(file, "picture");
    ASSERT_TRUE(KeepInTrash(file));
    EXPECT_EQ(
        vtltest::FolderNames(info),
        (std::set<std::string>{"a.jpg.trashinfo", "kept.jpg.trashinfo", "new.jpg.trashinfo"}));
}

} // namespace
