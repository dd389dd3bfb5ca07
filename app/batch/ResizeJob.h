#pragma once
// The resize job: for each picture of m_listFiles, in order, it writes the status line, posts
// WM_PROCESS_STEP, chooses the output path (OutputPath.h), makes the output folder one level
// deep, asks before replacing an existing file (remembering "to all" answers for the run),
// then loads the picture, resamples it to the target size, rotates or flips it, sets its
// resolution and JPEG quality, prepares a GIF (asking before cutting a picture of more than 8
// bits down to 256 colours) and saves it without ever leaving a damaged file (SafeSave.h).
// After the last file it hands the dialog the list of pictures that could not be read, placed
// or written and posts WM_PROCESS_DONE. A picture skipped by the user's answer is not a
// failure. In mail mode every output path is appended to m_listMailFiles in input order.
//
// Two pictures are decoded and encoded at once, on helper threads, while this thread goes on
// preparing the next file; what the user sees stays that of one file after the other: the
// step of file i is posted before file i starts, questions come in file order before that
// file's output is written, and a file never starts while a picture it reads or writes is
// still being written for an earlier file. A GIF run, whose question needs the decoded
// picture, does one file at a time on this thread.
//
// Runs on the worker thread that CDlgProcess starts in mode PROCESS_RESIZE; param is that
// dialog. Returns 0.
#include "app/batch/OutputPath.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CAppSetting;
class CDlgProcess;
class CMailFolder;

unsigned ResizeThreadProc(void* param);

class CResizeJob {
public:
    CResizeJob(CDlgProcess& dlg, CAppSetting& app);
    ~CResizeJob();
    CResizeJob(const CResizeJob&) = delete;
    CResizeJob& operator=(const CResizeJob&) = delete;

    void Run();

private:
    enum class Result { Written, Skipped, Failed };
    struct Task;

    // Steps up to the question; false when the file ends there.
    bool Prepare(std::size_t index, const std::string& source, OutputChoice& out);
    // Load, transform and save one picture (any thread).
    Result Process(const std::string& source, const std::string& output);
    void Dispatch(std::size_t index, const std::string& source, const std::string& output);
    void FinishOldest();
    void WaitForConflicts(const std::string& source, const std::string& output);
    void Record(std::size_t index, const std::string& source, Result result);

    CDlgProcess& m_dlg;
    CAppSetting& m_app;
    std::int32_t m_nRemembered;
    std::unique_ptr<CMailFolder> m_mail;
    std::deque<std::unique_ptr<Task>> m_inFlight;
    std::vector<std::pair<std::size_t, std::string>> m_failures;
};
