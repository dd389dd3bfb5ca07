#pragma once
// The resize job: for each picture of the run's files, in order, it steps the sink with the
// status line, chooses the output path (OutputPath.h), makes the output folder one level deep and
// sweeps the leftovers of killed runs from it (once per folder and run), asks before
// replacing an existing file (remembering "to all" answers for the run), then loads the
// picture, resamples it to the target size, rotates or flips it, sets its resolution and JPEG
// quality, prepares a GIF (asking before cutting a picture of more than 8 bits down to 256
// colours) and saves it; under a file size limit, at the quality and size that fit it
// (SizeLimit.h). A picture is written to a temporary file beside its output and
// committed over it only when complete and the run still goes on (plat::CFileReplacement), so
// a failed, stopped or killed save leaves the file it would replace byte for byte. An original
// that "Overwrite the source file" replaces goes to the trash first (plat::KeepInTrash) unless
// the settings say otherwise; where it cannot, the picture fails and the original stays. The result
// lists the pictures that could not be read, placed or written, one that threw included; a
// picture skipped by the user's answer or by a stop is not a failure. It also hands back every
// output path in input order, with what became of it and the size written (in mail mode these
// are the files to attach).
//
// The job takes its settings and files as values and reports only to its sink: it knows
// neither the settings object nor who carries it (the progress dialog, `vtl resize`).
//
// Two pictures (kPicturesInFlight of image/WorkLimits.h, which the image library's memory
// budget is made for; ResizeRun::nJobs may ask for another number) are decoded and encoded at once,
// on helper threads, while this thread goes on preparing the next file, which starts as soon as
// either is done; what the user sees stays that of one file after the other: the step of file i
// comes before file i starts, questions come in file order before that file's output is written,
// and a file never starts while a picture it reads or writes is still being written for an earlier
// file. A GIF run, whose question needs the decoded picture, does one file at a time on this
// thread. No exception leaves the job or its helper threads.
//
// Runs on the worker thread that CDlgProcess starts in mode PROCESS_RESIZE, or on the main
// thread of `vtl resize`.
#include "app/batch/PassSink.h"
#include "app/model/OutputPath.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class CMailFolder;

// The questions the job asks through its sink.
inline constexpr char kOverwriteQuestion[] = "Do you want to overwrite this file?";
inline constexpr char kGifQuestion[] = "Transfer to GIF from 24 bit to 8 bit colors will lose "
                                       "some colors and take some time, would you keep on?";

// What a resize run takes beyond the settings.
struct ResizeRun {
    bool bMail = false; // the outputs go to a private folder and are listed for mailing
    // The desktop's size in pixels, for "Resize as your desktop size".
    std::int32_t nScreenWidth = 0;
    std::int32_t nScreenHeight = 0;
    // Pictures decoded and encoded at once; 0 for kPicturesInFlight. The image library's
    // memory budget holds whatever the number: more pictures then wait for their memory.
    std::size_t nJobs = 0;
};

void ResizeThreadProc(IPassSink& sink, const ResizeSetting& setting,
                      const std::vector<std::string>& files, const ResizeRun& run);

class CResizeJob {
  public:
    CResizeJob(IPassSink& sink, ResizeSetting setting, std::vector<std::string> files,
               const ResizeRun& run);
    ~CResizeJob();
    CResizeJob(const CResizeJob&) = delete;
    CResizeJob& operator=(const CResizeJob&) = delete;

    PassResult Run();

  private:
    enum class Result {
        Written,
        Skipped,
        Failed,
        Unreadable,
        OverLimit, // no size of the picture fits the file size limit
        NoTrash,   // the original it would replace cannot go to the trash
    };
    struct Task;

    // Steps up to the question; false when the file ends there.
    bool Prepare(std::size_t index, const std::string& source, OutputChoice& out);
    // Load, transform and save one picture (any thread).
    Result Process(const std::string& source, const std::string& output);
    Result ProcessCaught(const std::string& source, const std::string& output) noexcept;
    void Dispatch(std::size_t index, const std::string& source, const std::string& output);
    // Waits for a picture in flight to be done, whichever is first, and records it.
    void FinishOne();
    void WaitForConflicts(const std::string& source, const std::string& output);
    void Record(std::size_t index, const std::string& source, Result result,
                std::string reason = {});

    IPassSink& m_sink;
    const ResizeSetting m_setting;
    const std::vector<std::string> m_files;
    const ResizeRun m_run;
    std::int32_t m_nRemembered;
    std::unique_ptr<CMailFolder> m_mail;
    std::set<std::string> m_swept;
    std::deque<std::unique_ptr<Task>> m_inFlight;
    std::mutex m_finishLock;
    std::condition_variable m_finished;
    std::vector<std::pair<std::size_t, std::string>> m_failures;
    std::size_t m_nWritten = 0;
    // By file index; an entry without a path was given none.
    std::vector<ResizeOutput> m_outputs;
};
