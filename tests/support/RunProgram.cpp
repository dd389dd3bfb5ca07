#include "tests/support/RunProgram.h"

#include "tests/support/Sandbox.h"

#include <chrono>
#include <csignal>
#include <cstring>
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
        const char* eq = std::strchr(*e, '=');
        if (eq)
            vars[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
    }
    vars.erase("DISPLAY");
    vars.erase("WAYLAND_DISPLAY");
    for (const auto& [name, value] : env) {
        if (value.empty())
            vars.erase(name);
        else
            vars[name] = value;
    }
    std::vector<std::string> envStore;
    for (const auto& [name, value] : vars)
        envStore.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

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
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
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
