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
    if (locked)
        fs::permissions(root + "/locked", fs::perms::none);

    const Files all = {"a.JPG",          "b.jpg",     "Z/e.jpg",      "out/d.jpg",
                       "sub/b-link.jpg", "sub/c.png", "sub/out/f.jpg"};
    const Files notOut = {"a.JPG", "b.jpg", "Z/e.jpg", "sub/b-link.jpg", "sub/c.png"};
    struct Case {
        std::string dest;
        int overwrite;
        Files paths; // handed over, below the tree
        Files pictures;
    };
    const Case cases[] = {
        {"", 0, {""}, all},
        {"", 1, {""}, all}, // overwriting writes no folder: the resize folders are still outputs
        {root + "/out",
         0,
         {""},
         {"a.JPG", "b.jpg", "Z/e.jpg", "sub/b-link.jpg", "sub/c.png", "sub/out/f.jpg"}},
        {"out", 0, {""}, notOut}, // relative: the "out" beside each folder's pictures
        // A file stays as it is, in its place; a folder inside one handed over counts once.
        {"",
         0,
         {"notes.txt", "sub", ""},
         {"notes.txt", "sub/b-link.jpg", "sub/c.png", "sub/out/f.jpg", "a.JPG", "b.jpg", "Z/e.jpg",
          "out/d.jpg"}},
        {"", 0, {"loop/sub/link"}, {"Z/e.jpg"}}, // the user's own choice is taken through links
    };
    for (const Case& c : cases) {
        ResizeSetting setting;
        setting.strDestFolder = c.dest;
        setting.bOverwrite = c.overwrite;
        Files paths, expected;
        for (const std::string& path : c.paths)
            paths.push_back(path.empty() ? root : root + "/" + path);
        for (const std::string& picture : c.pictures)
            expected.push_back(root + "/" + picture);
        const PictureList list = ExpandPictureFolders(paths, setting);
        SCOPED_TRACE(c.dest + " " + c.paths.front());
        EXPECT_EQ(list.pictures, expected);
        EXPECT_EQ(list.fromFolders, expected.size() - (c.paths.front() == "notes.txt"));
        EXPECT_EQ(list.unreadable,
                  c.paths.back() == "" && locked ? Files{root + "/locked"} : Files{});
    }
    fs::permissions(root + "/locked", fs::perms::owner_all);
}

} // namespace
