// The freedesktop.org trash: which folder a volume's files go to, and what a kept original
// looks like there (a second name of the same file, its record beside it), or why none could be
// made.
#include "platform/Trash.h"
#include "platform/posix/TrashDir.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <regex>

using namespace plat;
namespace fs = std::filesystem;

namespace {

const std::string kUid = std::to_string(getuid());

ino_t Inode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(Trash, AVolumeUsesTheSharedTrashOnlyAsAnAdministratorMadeIt) {
    // The mode of TOPDIR/.Trash (0: none), whether TOPDIR/.Trash-UID is a symbolic link, and the
    // trash used below TOPDIR ("": none).
    const std::tuple<unsigned, bool, std::string> cases[] = {
        {0, false, "/.Trash-" + kUid},
        {01777, false, "/.Trash/" + kUid},
        {0777, false, "/.Trash-" + kUid}, // without the sticky bit
        {0, true, ""},
    };
    for (const auto& [sharedMode, ownIsLink, expected] : cases) {
        const std::string top = vtltest::MakeTempDir("volume");
        if (sharedMode && fs::create_directory(top + "/.Trash"))
            chmod((top + "/.Trash").c_str(), sharedMode);
        if (ownIsLink)
            fs::create_directory_symlink(vtltest::MakeTempDir("elsewhere"),
                                         top + "/.Trash-" + kUid);
        const std::string trash = VolumeTrashDir(top, getuid());
        EXPECT_EQ(trash, expected.empty() ? "" : top + expected);
        EXPECT_EQ(fs::is_directory(trash + "/files") && fs::is_directory(trash + "/info"),
                  !expected.empty());
    }
}

TEST(Trash, AnOriginalIsKeptInItsVolumesTrashOrStaysWhereItIs) {
    const std::string home = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    const std::string longName = std::string(250, 'n') + ".jpg";
    // The volume: "" the home volume, "tmpfs" one of its own, "link" one whose trash is a link.
    // What is read-only under the trash; the name kept under its files/ ("": not kept); the
    // record's Path= after the picture's folder.
    const std::tuple<std::string, const char*, const char*, std::string, std::string> cases[] = {
        {"a b%#.jpg", "", nullptr, "a b%#.jpg", "/a%20b%25%23.jpg"},
        {"a b%#.jpg", "", nullptr, "a b%#.2.jpg", "/a%20b%25%23.jpg"},
        {"a.jpg", "tmpfs", nullptr, "a.jpg", "/a.jpg"},
        {longName, "", nullptr, std::string(241, 'n') + ".jpg", "/" + longName}, // fits its record
        {"a.jpg", "", "/info", "", ""},
        {"a.jpg", "", "/files", "", ""},
        {"a.jpg", "link", nullptr, "", ""},
    };
    for (const auto& [name, volume, readOnly, keptAs, path] : cases) {
        SCOPED_TRACE(name.substr(0, 20) + " " + volume + (readOnly ? readOnly : ""));
        std::string dir = vtltest::MakeTempDir("pictures"), trash = home;
        std::string data = std::getenv("XDG_DATA_HOME");
        if (*volume && !vtltest::MountPrivately(dir, "8m")) {
            std::cout << "not run (needs a file system of its own)\n";
            continue;
        }
        if (*volume)
            trash = dir + "/.Trash-" + kUid;
        if (std::string(volume) == "link")
            fs::create_directory_symlink(vtltest::MakeTempDir("elsewhere"), trash);
        if (readOnly) {
            trash = (data = vtltest::MakeTempDir("data")) + "/Trash";
            fs::create_directories(trash + "/files");
            fs::create_directories(trash + "/info");
            if (!vtltest::MakeReadOnly(trash + readOnly)) {
                std::cout << "not run (needs a read-only folder)\n";
                continue;
            }
        }
        const vtltest::ScopedEnv env({{"XDG_DATA_HOME", data}});
        dir = fs::canonical(dir).string();
        const std::string file = dir + "/" + name;
        vtltest::WriteFile(file, "picture");
        const auto kept = KeepInTrash(file);
        ASSERT_EQ(kept.ok(), !keptAs.empty()) << (kept ? *kept : kept.error().message);
        EXPECT_EQ(vtltest::ReadFile(file), "picture");
        if (!kept) {
            EXPECT_NE(kept.error().message.find(file), std::string::npos);
            EXPECT_EQ(vtltest::FolderNames(trash + "/info"), std::set<std::string>{});
            continue;
        }
        EXPECT_EQ(*kept, trash + "/files/" + keptAs);
        EXPECT_EQ(Inode(*kept), Inode(file)) << "a second name, not a copy";
        const std::string record = vtltest::ReadFile(trash + "/info/" + keptAs + ".trashinfo");
        EXPECT_TRUE(std::regex_match(record, std::regex("\\[Trash Info\\]\nPath=" + dir + path +
                                                        "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT"
                                                        "\\d\\d:\\d\\d:\\d\\d\n")))
            << record;
    }
}

} // namespace
