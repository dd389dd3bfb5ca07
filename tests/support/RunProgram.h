#pragma once
// Runs a built program as a real child process for process-level tests: with the test's
// environment plus overrides, no display, its output captured, and killed when it outlives
// its time (a program waiting for a person would otherwise hang the test). The test's own
// environment already makes Qt programs run offscreen.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vtltest {

struct ProgramRun {
    bool started = false;
    bool timedOut = false;
    int status = -1; // exit status when it exited, -1 otherwise
    int signal = 0;  // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// `env` entries replace or add variables; an empty value removes the variable. `whileRunning`,
// when given, is called with the process id once the program has started.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {}, int timeoutSeconds = 60,
                      const std::function<void(int pid)>& whileRunning = {});

} // namespace vtltest
