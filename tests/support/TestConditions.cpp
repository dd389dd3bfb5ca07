#include "tests/support/TestConditions.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vtltest {

namespace {
const std::string kUnset(1, '\0');
}

ScopedEnv::ScopedEnv(const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values)
        Set(name, value);
}

ScopedEnv::~ScopedEnv() {
    for (const auto& [name, value] : m_saved)
        value == kUnset ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    m_saved.try_emplace(name, old ? old : kUnset);
    value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
}

ScopedFileSizeLimit::ScopedFileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    rlimit tight = m_saved;
    tight.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &tight);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_handler);
}

ScopedXServer::ScopedXServer() {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char number[16] = {};
    if (m_pid > 0 && read(fds[0], number, sizeof number - 1) > 0)
        m_display = ":" + std::to_string(std::atoi(number));
    close(fds[0]);
}

ScopedXServer::~ScopedXServer() {
    if (m_pid > 0 && kill(m_pid, SIGTERM) == 0)
        waitpid(m_pid, nullptr, 0);
}

bool WaitUntil(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

std::set<std::string> FolderNames(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

bool MountPrivately(const std::string& folder, const std::string& size) {
    static const bool possible = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                                 mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const char* f = folder.c_str();
    return possible &&
           (size.empty()
                ? mount(f, f, nullptr, MS_BIND, nullptr) == 0 &&
                      mount(nullptr, f, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0
                : mount("tmpfs", f, "tmpfs", 0, ("size=" + size).c_str()) == 0);
}

bool MakeReadOnly(const std::string& folder) {
    return MountPrivately(folder, "") || (geteuid() != 0 && chmod(folder.c_str(), 0555) == 0);
}

} // namespace vtltest
