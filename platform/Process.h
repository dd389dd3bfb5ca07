#pragma once
#include <string>

namespace plat {

// Starts the program at `path` as WinExec does: by its path, through no shell, with no
// arguments, without waiting for it. True when the program was started.
bool WinExec(const std::string& path);

// How long ago this process started, as the system recorded its start (GetProcessTimes'
// creation time on Windows; on Linux the start time in /proc/self/stat, which counts whole
// clock ticks, so the figure may be up to a tick long). Negative when it cannot be told.
double SecondsSinceProcessStart();

} // namespace plat
