#include "platform/mail/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {

ChildExit RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The caller may ignore or block signals (SIGPIPE, say); the mail program must not
    // inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    ChildExit result;
    pid_t child = 0;
    const int error = posix_spawn(&child, path.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return result;
    result.started = true;

    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child)
        return result;
    if (WIFEXITED(status)) {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signalled = true;
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::size_t ProgramStartLimit() {
    // The system's figure (a quarter of the stack limit, at least 128 KiB), but never more than
    // 6 MiB, the kernel's own cap since Linux 4.13.
    const long limit = sysconf(_SC_ARG_MAX);
    constexpr std::size_t kernelCap = 6 * 1024 * 1024;
    return limit > 0 ? std::min(static_cast<std::size_t>(limit), kernelCap) : kernelCap;
}

std::size_t ProgramStartBytes(const std::string& path, const std::vector<std::string>& arguments) {
    std::size_t bytes = path.size() + 1;
    std::size_t pointers = arguments.size() + 1;
    for (const std::string& argument : arguments)
        bytes += argument.size() + 1;
    for (char** variable = environ; *variable; ++variable, ++pointers)
        bytes += std::strlen(*variable) + 1;
    return bytes + (pointers + 1) * sizeof(char*);
}

} // namespace plat
