// resize-job-run-driver: runs the real resize job the way the program does, through the
// progress dialog (offscreen when there is no display), over the files given, with the
// default settings except the size, which is --percent N of each picture (50 unless given).
// Outputs go where the default settings put them: a "resize" folder beside each source.
// Prints "files=N seconds=S" for the modal run alone; bench/resize-job-run times the whole
// process beside vipsthumbnail.
#include "app/batch/DlgProcess.h"
#include "app/core/AppSetting.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int percent = 50;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--percent" && i + 1 < argc)
            percent = std::atoi(argv[++i]);
        else
            files.push_back(arg);
    }
    if (files.empty() || percent <= 0) {
        std::fprintf(stderr, "usage: resize-job-run-driver [--percent N] FILE...\n");
        return 2;
    }
    CAppSetting* settings = GetAppSetting();
    settings->m_resize = ResizeSetting{};
    settings->m_resize.nWidth = percent;
    settings->m_resize.nHeight = percent;
    settings->m_listFiles = files;

    const auto start = std::chrono::steady_clock::now();
    CDlgProcess dialog;
    dialog.m_nMode = PROCESS_RESIZE;
    const int result = dialog.DoModal();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("files=%zu seconds=%.3f\n", files.size(), took.count());
    return result == 1 ? 0 : 1;
}
