#include "platform/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plat {

bool WinExec(const std::string& path) {
    // The caller (a file manager hosting the extension, for one) does not wait for the
    // program, so the program is started as a grandchild: the intermediate child exits at
    // once and is reaped here, and no zombie is left in the caller. A close-on-exec pipe tells
    // whether the exec itself succeeded.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;

    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on: the caller may have other threads.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
            execv(path.c_str(), argv);
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        if (grandchild < 0) {
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
        }
        _exit(0);
    }

    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == 0;
}

double SecondsSinceProcessStart() {
    char stat[1024] = {};
    std::FILE* file = std::fopen("/proc/self/stat", "re");
    if (!file)
        return -1;
    const std::size_t size = std::fread(stat, 1, sizeof stat - 1, file);
    std::fclose(file);
    stat[size] = '\0';
    // The program name, in parentheses, may hold spaces and parentheses itself: the fields
    // are counted from the last ')'. The start time is field 22; the state, field 3, follows
    // the name.
    const char* field = std::strrchr(stat, ')');
    unsigned long long started = 0;
    if (!field ||
        std::sscanf(field + 1,
                    " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u"
                    " %*d %*d %*d %*d %*d %*d %llu",
                    &started) != 1)
        return -1;
    // The start is counted from boot, on the clock that goes on while the machine sleeps.
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0)
        return -1;
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 -
           static_cast<double>(started) / ticks;
}

} // namespace plat
