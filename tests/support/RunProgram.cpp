#include "tests/support/RunProgram.h"

#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vtltest {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env, int timeoutSeconds,
                      const std::function<void(int pid)>& whileRunning) {
    // env(1) changes the environment and then becomes the program, under the same process id.
    std::vector<std::string> strings{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    for (const auto& [name, value] : env)
        if (value.empty())
            strings.insert(strings.end(), {"-u", name});
    for (const auto& [name, value] : env)
        if (!value.empty())
            strings.push_back(name + "=" + value);
    strings.push_back(program);
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
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
    const int rc = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return run;
    if (whileRunning)
        whileRunning(pid);

    int status = 0;
    run.timedOut = !WaitUntil([&] { return waitpid(pid, &status, WNOHANG) != 0; }, timeoutSeconds);
    if (run.timedOut)
        kill(pid, SIGKILL), waitpid(pid, &status, 0);
    if (!run.timedOut && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    if (!run.timedOut && WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

} // namespace vtltest
