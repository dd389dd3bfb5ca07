#pragma once
// Runs a program and waits for it to end. Called by the mail layer (Mapi.cpp) on the
// user-interface thread, which it blocks until the program exits.
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

} // namespace plat
