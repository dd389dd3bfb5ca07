#pragma once
// Runs a program and waits for it to end. Called by the mail layer (Mapi.cpp) on the thread
// that sends the message, which it blocks until the program exits.
#include <cstddef>
#include <string>
#include <vector>

namespace plat {

struct ChildExit {
    bool started = false;
    bool exited = false; // ended by exit(); `status` holds its code
    int status = 0;
    bool signalled = false; // ended by a signal; `signal` holds its number
    int signal = 0;
};

// Starts `path` with `arguments` as its argv (the first is argv[0]) and the caller's
// environment, through no shell, with default signal handling and an empty signal mask.
ChildExit RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments);

// The most bytes the system lets one new program be given: its path, its arguments and its
// environment, each with its terminating zero, and a pointer to each.
std::size_t ProgramStartLimit();
// The bytes that starting `path` with `arguments` and the caller's environment takes of that.
std::size_t ProgramStartBytes(const std::string& path, const std::vector<std::string>& arguments);

} // namespace plat
