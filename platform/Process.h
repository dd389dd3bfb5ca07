#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace plat {

// A program started by WinExec, followed until it ends (the process handle CreateProcess would
// give). Only looks: it never stops the program, nor waits for it beyond what it is asked.
class CStartedProgram {
  public:
    CStartedProgram() = default;
    ~CStartedProgram();
    CStartedProgram(const CStartedProgram&) = delete;
    CStartedProgram& operator=(const CStartedProgram&) = delete;

    // Whether the program has ended, waiting at most `wait` for it to. True when no program
    // was started.
    bool WaitForEnd(std::chrono::milliseconds wait);

  private:
    friend bool WinExec(const std::string&, const std::vector<std::string>&, CStartedProgram*);
#ifdef _WIN32
    void* m_process = nullptr; // the process handle
#else
    int m_pid = 0;
    int m_pidfd = -1;
#endif
};

// Starts the program at `path` as WinExec does: by its path, through no shell, with no
// arguments, without waiting for it. `environment` entries ("NAME=value") are added to the
// program's environment, in place of a variable of the same name. `started` (when given)
// follows the program. True when the program was started.
bool WinExec(const std::string& path, const std::vector<std::string>& environment = {},
             CStartedProgram* started = nullptr);

// How long ago this process started, as the system recorded its start (GetProcessTimes'
// creation time on Windows; on Linux the start time in /proc/self/stat, which counts whole
// clock ticks, so the figure may be up to a tick long). Negative when it cannot be told.
double SecondsSinceProcessStart();

} // namespace plat
