// preview-bench: the preview pane as the browser shows it, offscreen in a 600 x 800 pane. Each
// picture given is shown in turn (SetPicturePath, ShowPicture, one paint and what the paint
// sets off), after one warm-up picture that is not counted; the list is cycled to --count
// pictures. Prints one line:
//   case=preview format=F files=N median_ms=M worst_ms=W peak_mb=P cpu_median_ms=C cpu_worst_ms=D
// M and W are wall-clock times, P the process's peak resident memory, C and D the processor
// time of all the process's threads per picture, which a machine busy with other work does not
// inflate. bench/preview runs it once per format.
#include "app/preview/ScrollPictureView.h"
#include "app/preview/VantrelDoc.h"

#include <QApplication>

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
    QApplication app(argc, argv);
    std::string format = "jpeg";
    std::size_t count = 50;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--format" && i + 1 < argc)
            format = argv[++i];
        else if (arg == "--count" && i + 1 < argc)
            count = static_cast<std::size_t>(std::atoi(argv[++i]));
        else
            files.push_back(arg);
    }
    if (files.empty() || count == 0) {
        std::fprintf(stderr, "usage: preview-bench [--format NAME] [--count N] FILE...\n");
        return 2;
    }

    CVantrelDoc doc;
    CScrollPictureView view(&doc);
    view.resize(600, 800);
    view.OnInitialUpdate();
    view.show();
    QApplication::processEvents();

    std::vector<double> times;
    std::vector<double> processor;
    for (std::size_t n = 0; n <= count; ++n) {
        const auto start = std::chrono::steady_clock::now();
        const double startProcessor = ProcessorMs();
        view.SetPicturePath(files[n % files.size()]);
        view.ShowPicture();
        view.viewport()->repaint();
        QApplication::processEvents();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (n == 0) // the first picture warms up the decoders and fonts
            continue;
        times.push_back(took.count());
        processor.push_back(ProcessorMs() - startProcessor);
    }
    const auto [median, worst] = Spread(times);
    const auto [cpuMedian, cpuWorst] = Spread(processor);
    std::printf("case=preview format=%s files=%zu median_ms=%.0f worst_ms=%.0f peak_mb=%.0f "
                "cpu_median_ms=%.0f cpu_worst_ms=%.0f\n",
                format.c_str(), times.size(), median, worst, PeakMegabytes(), cpuMedian, cpuWorst);
    return 0;
}
