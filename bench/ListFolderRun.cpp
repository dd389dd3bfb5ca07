// list-folder-driver FOLDER: shows FOLDER in the real file list, offscreen, once in this
// process, and prints
//   pictures=N model_s=S painted_s=P rss_mb=M
// S is the time from the call of ShowFolder to the sorted list model, P from the same call to
// the end of the first frame painted after it, M the process's peak resident memory.
// bench/list-folder makes the folders and runs this.
#include "app/browser/FileListView.h"
#include "app/model/AppSetting.h"
#include "app/widgets/VantrelDoc.h"
#include "platform/shell/ShellFolder.h"

#include <QApplication>
#include <QEvent>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Notes the end of the first paint that follows the start.
class PaintWatch : public QObject {
  public:
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            static_cast<QWidget*>(watched)->removeEventFilter(this);
            // Paint now, inside the filter, so the frame is complete when the time is taken.
            QApplication::sendEvent(watched, event);
            painted = true;
            return true;
        }
        return false;
    }
};

long PeakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: list-folder-driver FOLDER\n");
        return 2;
    }
    GetAppSetting();
    QApplication app(argc, argv);
    CVantrelDoc doc;
    CFileListView view(&doc);
    view.resize(800, 700);
    view.OnInitialUpdate();
    view.show();
    QApplication::processEvents();

    plat::IShellFolder* desktop = nullptr;
    plat::SHGetDesktopFolder(&desktop);
    plat::LPITEMIDLIST folder = nullptr;
    if (plat::FAILED(desktop->ParseDisplayName(argv[1], &folder))) {
        std::fprintf(stderr, "not a folder: %s\n", argv[1]);
        return 1;
    }
    desktop->Release();
    const plat::PidlPtr owned(folder);

    PaintWatch watch;
    view.viewport()->installEventFilter(&watch);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    view.ShowFolder(folder);
    view.SortList();
    const Clock::time_point model = Clock::now();
    while (!watch.painted)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const Clock::time_point painted = Clock::now();

    const auto seconds = [&](Clock::time_point end) {
        return std::chrono::duration<double>(end - start).count();
    };
    const int rows = view.model()->rowCount();
    std::printf("pictures=%d model_s=%.3f painted_s=%.3f rss_mb=%ld\n", rows > 0 ? rows - 1 : 0,
                seconds(model), seconds(painted), PeakResidentMegabytes());
    return 0;
}
