#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plat {

namespace {

// What the helper processes of WinExec tell the caller, one message each (a pipe passes a
// message this small whole).
struct Report {
    enum Kind : int { Started = 1, Failed = 2 } kind;
    int value; // the program's process id, or why it could not be started
};

// This process's environment with `extra` in place of the variables of the same names.
std::vector<std::string> ProgramEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('=') + 1);
        if (std::none_of(extra.begin(), extra.end(),
                         [&](const std::string& e) { return e.starts_with(name); }))
            entries.emplace_back(text);
    }
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
}

} // namespace

CStartedProgram::~CStartedProgram() {
    if (m_pidfd >= 0)
        close(m_pidfd);
}

bool CStartedProgram::WaitForEnd(std::chrono::milliseconds wait) {
    if (m_pid <= 0)
        return true;
    if (m_pidfd >= 0) {
        pollfd ended{m_pidfd, POLLIN, 0};
        return poll(&ended, 1, static_cast<int>(wait.count())) > 0;
    }
    // Without a process descriptor: the program is not our child, so the system reaps it, and
    // it has ended once no process has its id.
    const auto gone = [this] { return kill(m_pid, 0) != 0 && errno == ESRCH; };
    if (gone())
        return true;
    std::this_thread::sleep_for(wait);
    return gone();
}

bool WinExec(const std::string& path, const std::vector<std::string>& environment,
             CStartedProgram* started) {
    // Everything the started program gets is made before fork: after it, the child may only
    // make async-signal-safe calls, as the caller may have other threads.
    std::vector<std::string> variables = ProgramEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string program = path;
    char* const argv[] = {program.data(), nullptr};

    // The caller (a file manager hosting the extension, for one) does not wait for the
    // program, so the program is started as a grandchild: the intermediate child exits at
    // once and is reaped here, and no zombie is left in the caller. A close-on-exec pipe brings
    // the program's process id, and tells whether the exec itself succeeded.
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
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execve(program.c_str(), argv, envp.data());
            const Report failed{Report::Failed, errno};
            (void)!write(report[1], &failed, sizeof failed);
            _exit(127);
        }
        const Report told =
            grandchild < 0 ? Report{Report::Failed, errno} : Report{Report::Started, grandchild};
        (void)!write(report[1], &told, sizeof told);
        _exit(0);
    }

    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Until the last writer is gone: the exec succeeded, or someone said why not.
    pid_t pid = 0;
    bool failed = false;
    for (;;) {
        Report message{};
        const ssize_t got = read(report[0], &message, sizeof message);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != static_cast<ssize_t>(sizeof message))
            break;
        if (message.kind == Report::Started)
            pid = message.value;
        else
            failed = true;
    }
    close(report[0]);
    if (failed || pid <= 0)
        return false;
    if (started) {
        if (started->m_pidfd >= 0)
            close(started->m_pidfd);
        started->m_pid = pid;
#ifdef SYS_pidfd_open
        started->m_pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
        started->m_pidfd = -1;
#endif
    }
    return true;
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
    if (!field || std::sscanf(field + 1,
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
