#include "app/application/ResizeCommand.h"

#include "app/application/ResizeOptions.h"
#include "app/batch/ResizeJob.h"
#include "app/model/OutputPath.h"
#include "app/model/PictureFolders.h"
#include "app/model/ResizeRules.h"
#include "image/IImage.h"
#include "platform/FileFacts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace {

enum : int { EXIT_ALL_DONE = 0, EXIT_SOME_FAILED = 1, EXIT_USAGE = 2 };

// The picture (or argument) and why it failed, in the order met.
using Failures = std::vector<std::pair<std::string, std::string>>;

volatile std::sig_atomic_t g_nStopSignal = 0;

void OnStopSignal(int signal) {
    g_nStopSignal = signal;
}

// From here on a stop signal stops the run before its next picture instead of leaving a
// temporary file behind.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// Ends the process by the signal that stopped the run, as the signal would have.
void EndIfStopped() {
    if (const int signal = g_nStopSignal) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// The run's files from the arguments, in their order, a folder standing for the pictures of its
// tree (as a folder handed over by a file manager does); an argument or a picture that cannot be
// read is a failure. A FIFO or a device named like a picture is refused here: reading it would
// wait for ever.
std::vector<std::string> RunFiles(const std::vector<std::string>& inputs,
                                  const ResizeSetting& setting, Failures& failures) {
    std::vector<std::string> files;
    const auto take = [&](const std::string& path) {
        struct stat facts {};
        if (stat(path.c_str(), &facts) != 0)
            failures.emplace_back(path, errno == ENOENT ? "no such file or folder"
                                                        : std::strerror(errno));
        else if (!S_ISREG(facts.st_mode))
            failures.emplace_back(path, "not a regular file");
        else if (access(path.c_str(), R_OK) != 0)
            failures.emplace_back(path, std::strerror(errno));
        else
            files.push_back(path);
    };
    for (const std::string& input : inputs) {
        if (!plat::FolderExists(input)) {
            take(input);
            continue;
        }
        const PictureList tree = ExpandPictureFolders({input}, setting);
        for (const std::string& folder : tree.unreadable)
            failures.emplace_back(folder, "a folder that cannot be read");
        if (tree.pictures.empty() && tree.unreadable.empty())
            failures.emplace_back(input, "no pictures in this folder or its sub-folders");
        for (const std::string& picture : tree.pictures)
            take(picture);
    }
    return files;
}

std::string Shown(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

void TellFailure(const std::string& source, const std::string& reason) {
    std::fprintf(stderr, "vtl resize: %s: %s\n", source.c_str(), reason.c_str());
}

void TellSkipped(const std::string& source, const std::string& output) {
    std::fprintf(stderr, "vtl resize: %s: skipped, %s exists (--force replaces it)\n",
                 source.c_str(), Shown(output).c_str());
}

// Carries the job: answers its questions as the options say and shows progress on a terminal.
class CCommandSink final : public IPassSink {
  public:
    CCommandSink(std::size_t total, bool progress, bool replace)
        : m_nTotal(total), m_bProgress(progress), m_bReplace(replace) {}

    void Step(std::size_t index, const std::string&) override {
        if (m_bProgress) {
            std::printf("\r\033[KResizing %zu of %zu", index + 1, m_nTotal);
            std::fflush(stdout);
        }
    }
    int Ask(const std::string&, const std::string& question) override {
        // A script that asks for GIF asks for its 256 colours too.
        if (question != kOverwriteQuestion)
            return CONFIRM_YES;
        return m_bReplace ? CONFIRM_YESTOALL : CONFIRM_NO;
    }
    bool IsStopping() const override { return g_nStopSignal != 0; }
    void Done(PassResult result) override { m_result = std::move(result); }

    PassResult m_result;

  private:
    const std::size_t m_nTotal;
    const bool m_bProgress;
    const bool m_bReplace;
};

// Reads the headers only: the size each output would have and where it would go.
void DryRun(const ResizeCommandLine& line, const std::vector<std::string>& files,
            Failures& failures) {
    const ResizeSetting& s = line.setting;
    for (const std::string& file : files) {
        IImage image(0);
        image.LoadImageInfo(file);
        std::int32_t w = image.GetWidth();
        std::int32_t h = image.GetHeight();
        const auto chosen = ChooseOutput(s, file, nullptr);
        if (w <= 0 || h <= 0) {
            failures.emplace_back(file, "not a picture that can be read");
        } else if (!chosen) {
            failures.emplace_back(file, chosen.error().message);
        } else if (!line.bReplace && plat::FileExists(chosen->path)) {
            TellSkipped(file, chosen->path);
        } else {
            if (s.bResize)
                std::tie(w, h) =
                    std::pair(CalcTargetWidth(s, w, h, line.nBoxWidth, line.nBoxHeight),
                              CalcTargetHeight(s, w, h, line.nBoxWidth, line.nBoxHeight));
            if (s.bRotate && s.nRotate != ROTATE_FLIP)
                std::swap(w, h);
            if (!line.bQuiet)
                std::printf("%s -> %s %dx%d\n", file.c_str(), Shown(chosen->path).c_str(), w, h);
        }
    }
}

void Report(const ResizeCommandLine& line, const PassResult& result, bool progress,
            Failures& failures) {
    std::size_t skipped = 0;
    for (const ResizeOutput& output : result.outputs) {
        if (output.outcome == ResizeOutput::Failed) {
            failures.emplace_back(output.source, output.reason);
        } else if (output.outcome == ResizeOutput::Skipped) {
            // A stopped run does not tell of the pictures it did not get to.
            ++skipped;
            if (!g_nStopSignal)
                TellSkipped(output.source, output.path);
        } else if (!progress && !line.bQuiet) {
            std::printf("%s -> %s %dx%d %llu\n", output.source.c_str(), Shown(output.path).c_str(),
                        output.nWidth, output.nHeight,
                        static_cast<unsigned long long>(output.nBytes));
        }
    }
    if (progress)
        std::printf("\r\033[K%zu written, %zu skipped, %zu failed\n", result.nWritten, skipped,
                    failures.size());
}

} // namespace

int RunResizeCommand(const std::vector<std::string>& args) {
    const auto read = ReadResizeCommandLine(args, ReadResizeSetting);
    if (!read) {
        std::fprintf(stderr, "vtl resize: %s\n%s", read.error().message.c_str(),
                     ResizeUsage().c_str());
        return EXIT_USAGE;
    }
    const ResizeCommandLine& line = *read;
    if (line.bHelp) {
        std::fputs(ResizeHelp().c_str(), stdout);
        return EXIT_ALL_DONE;
    }
    Failures failures;
    const std::vector<std::string> files = RunFiles(line.inputs, line.setting, failures);
    for (const auto& [input, reason] : failures)
        TellFailure(input, reason);
    const std::size_t inputFailures = failures.size();
    if (line.bDryRun) {
        DryRun(line, files, failures);
    } else if (!files.empty()) {
        CatchStopSignals();
        const bool progress = !line.bQuiet && isatty(STDOUT_FILENO);
        CCommandSink sink(files.size(), progress, line.bReplace);
        const ResizeRun run{false, line.nBoxWidth, line.nBoxHeight, line.nJobs};
        ResizeThreadProc(sink, line.setting, files, run);
        Report(line, sink.m_result, progress, failures);
    }
    for (std::size_t i = inputFailures; i < failures.size(); ++i)
        TellFailure(failures[i].first, failures[i].second);
    std::fflush(stdout);
    EndIfStopped();
    return failures.empty() ? EXIT_ALL_DONE : EXIT_SOME_FAILED;
}
