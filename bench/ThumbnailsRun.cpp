// thumbnails-driver FOLDER: opens FOLDER in the real thumbnail view, offscreen, in a list pane
// of the default window's size (500 x 560), and prints
//   pictures=N first_s=F all_s=A rss_mb=M
// F is the time from the call of ShowFolder until every tile of the first screen shows its
// thumbnail and has been painted; A until the whole folder is in the thumbnail cache
// ($XDG_CACHE_HOME); M the process's peak resident memory. bench/thumbnails runs this.
#include "app/browser/FileListView.h"
#include "app/browser/ThumbnailLoader.h"
#include "app/browser/ThumbnailView.h"
#include "app/model/AppSetting.h"
#include "app/widgets/VantrelDoc.h"
#include "image/ProcessSettings.h"

#include <QApplication>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long PeakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    return 0;
}

// Whether every picture tile in sight has its thumbnail (or is known to have none).
bool FirstScreenReady(CThumbnailView& view, const CFileListView& list) {
    const CFileListCtrl* rows = list.GetListCtrl();
    for (int row = 0; row < rows->GetItemCount(); ++row) {
        const QRect tile = view.visualRect(view.model()->index(row, 0));
        if (tile.top() >= view.viewport()->height())
            break;
        if (const FileListItem* item = rows->GetItemData(row);
            !item->m_bFolder && !view.Loader()->Tile(item->m_strPath))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: thumbnails-driver FOLDER\n");
        return 2;
    }
    vtlimage::PrepareProcess();
    GetAppSetting();
    QApplication app(argc, argv);
    CVantrelDoc doc;
    CFileListView list(&doc);
    list.OnInitialUpdate();
    CThumbnailView view(&list);
    view.resize(500, 560);
    view.show();
    QApplication::processEvents();

    plat::PidlPtr folder;
    if (plat::FAILED(list.m_shell.ParseName(argv[1], folder, nullptr))) {
        std::fprintf(stderr, "not a folder: %s\n", argv[1]);
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    list.ShowFolder(folder.get());
    list.SortList();
    while (!FirstScreenReady(view, list))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    view.viewport()->repaint();
    const Clock::time_point first = Clock::now();
    // The walk of the folder hands nothing to this thread: look now and then.
    while (!view.Loader()->Idle()) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
    const Clock::time_point all = Clock::now();

    const auto seconds = [&](Clock::time_point end) {
        return std::chrono::duration<double>(end - start).count();
    };
    const int rows = view.model()->rowCount();
    std::printf("pictures=%d first_s=%.3f all_s=%.3f rss_mb=%ld\n", rows > 0 ? rows - 1 : 0,
                seconds(first), seconds(all), PeakResidentMegabytes());
    return 0;
}
