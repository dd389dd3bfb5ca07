// preview-bench: the preview pane as the browser shows it, offscreen in a 600 x 800 pane. Each
// picture given is shown in turn (SetPicturePath, ShowPicture, the window's events handled
// until the picture is read and painted), after one warm-up picture that is not counted; the
// list is cycled to --count pictures. Prints one line:
//   case=preview format=F files=N median_ms=M worst_ms=W peak_mb=P cpu_median_ms=C cpu_worst_ms=D
//   stall_worst_ms=S
// M and W are wall-clock times, P the process's peak resident memory, C and D the processor
// time of all the process's threads per picture, which a machine busy with other work does not
// inflate, and S the longest the window went without handling its events meanwhile (the
// picture is read on a worker thread: S stays small whatever the picture). bench/preview runs
// it once per format.
//
// With --pause MS it steps as a person looks: after each picture is painted, the one after it is
// named for reading ahead, as the file list names it, and the run waits MS milliseconds (the
// window handling its events) before the next step; the times are then those of the step alone.
#include "app/preview/ScrollPictureView.h"
#include "app/widgets/VantrelDoc.h"
#include "image/ProcessSettings.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

double ProcessorMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Median and worst of the samples.
std::pair<double, double> Spread(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[(samples.size() - 1) / 2], samples.back()};
}

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    QApplication app(argc, argv);
    std::string format = "jpeg";
    std::size_t count = 50;
    int pauseMs = -1; // no pause: no read-ahead either
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--format" && i + 1 < argc)
            format = argv[++i];
        else if (arg == "--count" && i + 1 < argc)
            count = static_cast<std::size_t>(std::atoi(argv[++i]));
        else if (arg == "--pause" && i + 1 < argc)
            pauseMs = std::atoi(argv[++i]);
        else
            files.push_back(arg);
    }
    if (files.empty() || count == 0) {
        std::fprintf(stderr,
                     "usage: preview-bench [--format NAME] [--count N] [--pause MS] FILE...\n");
        return 2;
    }

    CVantrelDoc doc;
    CScrollPictureView view(&doc);
    view.resize(600, 800);
    view.OnInitialUpdate();
    view.show();
    QApplication::processEvents();

    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    std::vector<double> processor;
    // A tick every 10 ms on the window's thread: a late tick is a window that was held up.
    double stall = 0;
    bool counting = false;
    auto ticked = Clock::now();
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const std::chrono::duration<double, std::milli> between = Clock::now() - ticked;
        ticked = Clock::now();
        if (counting)
            stall = std::max(stall, between.count());
    });
    ticks.start();
    for (std::size_t n = 0; n <= count; ++n) {
        const auto start = Clock::now();
        const double startProcessor = ProcessorMs();
        counting = n > 0;
        ticked = start;
        view.SetPicturePath(files[n % files.size()]);
        view.ShowPicture();
        while (view.IsLoading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        view.viewport()->repaint();
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        const double tookProcessor = ProcessorMs() - startProcessor;
        if (pauseMs >= 0) {
            counting = false; // the window is idle meanwhile; only the steps count
            view.ReadAhead(files[(n + 1) % files.size()]);
            QEventLoop pause;
            QTimer::singleShot(pauseMs, &pause, &QEventLoop::quit);
            pause.exec();
        }
        if (n == 0) // the first picture warms up the decoders and fonts
            continue;
        times.push_back(took.count());
        processor.push_back(tookProcessor);
    }
    const auto [median, worst] = Spread(times);
    const auto [cpuMedian, cpuWorst] = Spread(processor);
    std::printf("case=preview format=%s files=%zu median_ms=%.0f worst_ms=%.0f peak_mb=%.0f "
                "cpu_median_ms=%.0f cpu_worst_ms=%.0f stall_worst_ms=%.0f\n",
                format.c_str(), times.size(), median, worst, PeakMegabytes(), cpuMedian, cpuWorst,
                stall);
    return 0;
}
