// bomb-bench: the decompression bombs of the tests, for bench/memory-bombs.
//   bomb-bench make FOLDER   writes every bomb into FOLDER, one line each:
//                            NAME<TAB>loads|refused<TAB>what it is
//   bomb-bench draw FILE     the preview's decode path: loads the picture as the preview pane
//                            does and draws it fitted into the pane's 600 x 800; prints
//                            drawn=1|0 peak_mb=P (the process's peak resident memory)
#include "image/ProcessSettings.h"
#include "image/ximage.h"
#include "tests/support/Bombs.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

int Make(const std::string& folder) {
    for (const vtltest::Bomb& bomb : vtltest::Bombs()) {
        if (!vtltest::WriteBomb(bomb.name, folder + "/" + bomb.name)) {
            std::fprintf(stderr, "cannot write %s\n", bomb.name);
            return 1;
        }
        std::printf("%s\t%s\t%s\n", bomb.name, bomb.loads ? "loads" : "refused", bomb.what);
    }
    return 0;
}

int Draw(const std::string& file) {
    constexpr int kPaneWidth = 600;
    constexpr int kPaneHeight = 800;
    CxImage picture;
    bool drawn = false;
    if (picture.Load(file)) {
        const double scale =
            std::min(1.0, std::min(static_cast<double>(kPaneWidth) / picture.GetWidth(),
                                   static_cast<double>(kPaneHeight) / picture.GetHeight()));
        const int w = std::max(1, static_cast<int>(picture.GetWidth() * scale));
        const int h = std::max(1, static_cast<int>(picture.GetHeight() * scale));
        QImage pane(kPaneWidth, kPaneHeight, QImage::Format_RGB32);
        QPainter painter(&pane);
        drawn = picture.Draw(&painter, 0, 0, w, h);
    }
    std::printf("drawn=%d peak_mb=%.0f\n", drawn ? 1 : 0, PeakMegabytes());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "make")
        return Make(argv[2]);
    if (mode == "draw")
        return Draw(argv[2]);
    std::fprintf(stderr, "usage: bomb-bench make FOLDER | bomb-bench draw FILE\n");
    return 2;
}
