// marked-commands-driver FOLDER: opens the real main window offscreen at FOLDER (as
// "vtl FOLDER" does), selects every row with Ctrl+A, marks them with Mark, and runs Copy To and
// Resize on the marked pictures, each until its own dialog shows (the folder chooser, the
// reading pass's progress dialog), which is then closed. Prints
//   pictures=N select_all_s=A mark_s=M copy_to_s=C resize_s=R
// each the time from the command to the moment its work was done or its dialog showed.
// bench/marked-commands makes the folder and runs this.
#include "app/application/VantrelApp.h"
#include "app/browser/FileListView.h"
#include "app/model/AppSetting.h"
#include "app/res/resource.h"
#include "image/ProcessSettings.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a command and returns the seconds until its first modal dialog showed; the dialog is
// closed at once.
double UntilDialog(CMainFrame* frame, int command) {
    double seconds = -1;
    Clock::time_point start;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || seconds >= 0)
            return;
        seconds = SecondsSince(start);
        modal->close();
    });
    watch.start();
    start = Clock::now();
    frame->OnCommand(command);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    if (argc != 2) {
        std::fprintf(stderr, "usage: marked-commands-driver FOLDER\n");
        return 2;
    }
    GetAppSetting();
    QApplication app(argc, argv);
    CVantrelApp vantrel({argv[1]});
    if (!vantrel.InitInstance())
        return 1;
    CMainFrame* frame = vantrel.GetMainWnd();
    QApplication::processEvents();

    Clock::time_point start = Clock::now();
    frame->OnCommand(ID_EDIT_SELECT_ALL);
    const double selectAll = SecondsSince(start);
    start = Clock::now();
    frame->OnCommand(ID_MARK);
    const double mark = SecondsSince(start);
    const double copyTo = UntilDialog(frame, ID_EDIT_COPY);
    const double resize = UntilDialog(frame, ID_RESIZE);

    std::printf("pictures=%zu select_all_s=%.3f mark_s=%.3f copy_to_s=%.3f resize_s=%.3f\n",
                GetAppSetting()->m_listFiles.size(), selectAll, mark, copyTo, resize);
    vantrel.ExitInstance();
    return 0;
}
