// Folders handed over for a run: the pictures they stand for, over a tree made here.
#include "app/model/PictureFolders.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::string>;

TEST(PictureFolders, AFolderStandsForItsPicturesButNotForTheRunsOwnFolders) {
    const std::string root = fs::canonical(vtltest::MakeTempDir("tree")).string();
    for (const char* file : {"b.jpg", "a.JPG", "notes.txt", ".hidden.jpg", "resize/old.jpg",
                             "sub/c.png", "sub/resize/old.jpg", "sub/out/f.jpg", ".thumbs/x.jpg",
                             ".Trash-1000/files/y.jpg", "Z/e.jpg", "out/d.jpg", "locked/z.txt"}) {
        fs::create_directories(fs::path(root + "/" + file).parent_path());
        vtltest::WriteFile(root + "/" + file, "");
    }
    fs::create_directory_symlink(root, root + "/loop");
    fs::create_directory_symlink(root + "/Z", root + "/sub/link");
    fs::create_symlink(root + "/b.jpg", root + "/sub/b-link.jpg"); // a link to a picture counts
    const bool locked = geteuid() != 0;                            // root reads any folder
    fs::permissions(root + "/locked", locked ? fs::perms::none : fs::perms::owner_all);

    // The destination, the paths handed over (below the tree) and the pictures found.
    const std::tuple<std::string, Files, Files> cases[] = {
        {root + "/out",
         {""},
         {"a.JPG", "b.jpg", "Z/e.jpg", "sub/b-link.jpg", "sub/c.png", "sub/out/f.jpg"}},
        {"out", {""}, {"a.JPG", "b.jpg", "Z/e.jpg", "sub/b-link.jpg", "sub/c.png"}}, // beside each
        // A file stays as it is, in its place; a folder inside one handed over counts once; the
        // tree's folder named like the destination counts when there is none.
        {"",
         {"notes.txt", "sub", ""},
         {"notes.txt", "sub/b-link.jpg", "sub/c.png", "sub/out/f.jpg", "a.JPG", "b.jpg", "Z/e.jpg",
          "out/d.jpg"}},
        {"", {"loop/sub/link"}, {"Z/e.jpg"}}, // the user's own choice is taken through links
    };
    for (const auto& [dest, handed, found] : cases) {
        ResizeSetting setting;
        setting.strDestFolder = dest;
        Files paths, expected;
        for (const std::string& path : handed)
            paths.push_back(path.empty() ? root : root + "/" + path);
        for (const std::string& picture : found)
            expected.push_back(root + "/" + picture);
        const PictureList list = ExpandPictureFolders(paths, setting);
        SCOPED_TRACE(dest + " " + handed.front());
        EXPECT_EQ(list.pictures, expected);
        EXPECT_EQ(list.fromFolders, expected.size() - (handed.front() == "notes.txt"));
        EXPECT_EQ(list.unreadable,
                  handed.back() == "" && locked ? Files{root + "/locked"} : Files{});
    }
    fs::permissions(root + "/locked", fs::perms::owner_all);
}

} // namespace
