#pragma once
#include <string>

namespace plat {

// Starts the program at `path` as WinExec does: by its path, through no shell, with no
// arguments, without waiting for it. True when the program was started.
bool WinExec(const std::string& path);

} // namespace plat
