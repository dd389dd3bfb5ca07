// picture-folders-driver FOLDER...: finds the pictures of the folders as a hand-off of them does,
// with the default settings, and prints
//   pictures=N walk_s=S
// S being the time the walk took. bench/picture-folders makes the tree and runs this.
#include "app/model/PictureFolders.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    const std::vector<std::string> folders(argv + 1, argv + argc);
    const auto start = std::chrono::steady_clock::now();
    const PictureList list = ExpandPictureFolders(folders, ResizeSetting{});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("pictures=%zu walk_s=%.4f\n", list.pictures.size(), took.count());
    return list.unreadable.empty() ? 0 : 1;
}
