#include "tests/support/RunProgram.h"

#include "tests/support/Sandbox.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vtltest {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env, int timeoutSeconds,
                      const std::function<void(int pid)>& whileRunning) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        vars[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
    }
    vars["DISPLAY"] = vars["WAYLAND_DISPLAY"] = "";
    for (const auto& [name, value] : env)
        vars[name] = value;
    // The arguments, a null, the environment's entries (an empty value drops one), a null.
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), args.begin(), args.end());
    const std::size_t argc = strings.size();
    for (const auto& [name, value] : vars)
        if (!value.empty())
            strings.push_back(name + "=" + value);
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.insert(pointers.begin() + static_cast<long>(argc), nullptr);
    pointers.push_back(nullptr);

    const std::string dir = MakeTempDir("run");
    const std::string outPath = dir + "/out", errPath = dir + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    ProgramRun run;
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(),
                               pointers.data() + argc + 1);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return run;
    run.started = true;
    if (whileRunning)
        whileRunning(pid);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!run.timedOut && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    if (!run.timedOut && WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

} // namespace vtltest
