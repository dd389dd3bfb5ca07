#pragma once
// IPassSink: the one way a pass (the reading pass or the resize job) reaches whoever carries
// it: the step before each file with its status line, the questions about a file, whether the
// run was stopped, and the result at the end. The progress dialog carries the program's runs
// (through its CProcessChannel) and `vtl resize` those of scripts; the passes know nothing of
// either, so they also run under a sink of a test's own, without a window.
//
// Called on the pass's worker thread; IsStopping also on the resize job's helper threads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The answers to a question, in the order of the confirmation dialog's codes.
enum : std::int32_t {
    CONFIRM_YESTOALL = 0,
    CONFIRM_NOTOALL = 1,
    CONFIRM_YES = 2,
    CONFIRM_NO = 3,
    CONFIRM_NONE = 4, // closed without an answer, or the run stopped while it was asked
};

// What the resize job made of one picture that it found an output path for, or that failed.
struct ResizeOutput {
    enum Outcome : std::uint8_t { Written, Skipped, Failed };
    std::string source;
    std::string path; // "" when none could be made
    Outcome outcome = Skipped;
    std::string reason; // why it failed, for the person
    // The picture as written.
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::uint64_t nBytes = 0;
};

struct PassResult {
    // Reading pass: the size and resolutions every picture shares, 0 where they differ.
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::int32_t nXDpi = 0;
    std::int32_t nYDpi = 0;
    // Resize job: the pictures that could not be read, placed or written, in file order, and
    // how many outputs were written.
    std::vector<std::string> failures;
    std::size_t nWritten = 0;
    // Resize job: one entry per picture that was given an output path or failed, in file
    // order.
    std::vector<ResizeOutput> outputs;
};

class IPassSink {
  public:
    // File `index` (from 0) is about to start; `status` names it for the person (at most 51
    // characters).
    virtual void Step(std::size_t index, const std::string& status) = 0;
    // Asks about `file` and waits for the answer, a CONFIRM_ code.
    virtual int Ask(const std::string& file, const std::string& question) = 0;
    // The run was stopped: no further file starts, and a picture in flight is not written.
    virtual bool IsStopping() const = 0;
    // The pass has ended; called once, also for an empty list or a stopped run.
    virtual void Done(PassResult result) = 0;

  protected:
    ~IPassSink() = default;
};

// Runs `pass` on the calling worker thread and reports what it returns; when it throws (memory
// ran out), what `fallback` makes is reported instead. No exception leaves the thread.
template <class Pass, class Fallback> void RunPass(IPassSink& sink, Pass pass, Fallback fallback) {
    try {
        PassResult result;
        try {
            result = pass();
        } catch (...) {
            result = fallback();
        }
        sink.Done(std::move(result));
    } catch (...) {
        // Not even that could be reported: the progress dialog stays until it is cancelled.
    }
}
