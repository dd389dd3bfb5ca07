// The lock keys' state from the kernel's keyboard lights, or, where there are none, from the
// indicators of a real X server (Xvfb, started for the test on a display number it picks).
#include "platform/KeyLocks.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using plat::GetKeyLockState;

// An Xvfb of the test's own; display() is null when none could be started.
class PrivateXServer {
  public:
    PrivateXServer() {
        int fds[2];
        if (access("/usr/bin/Xvfb", X_OK) != 0 || pipe(fds) != 0)
            return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const bool started = posix_spawn(&m_pid, "/usr/bin/Xvfb", &actions, nullptr,
                                         const_cast<char**>(argv), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        char c = 0;
        while (started && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            m_display = XOpenDisplay((":" + number).c_str());
    }
    ~PrivateXServer() {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Display* display() const { return m_display; }
    // Locks exactly the modifiers of `mask` (LockMask: Caps Lock; Mod2Mask: Num Lock).
    void Lock(unsigned mask) const {
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask | Mod2Mask, mask);
        XSync(m_display, False);
    }

  private:
    pid_t m_pid = -1;
    Display* m_display = nullptr;
};

TEST(KeyLocks, TheKernelsLightsElseTheXServersIndicators) {
    const PrivateXServer x;
    // The lights (name=brightness), whether the X server is asked and which locks it has on,
    // the key, and its state: "on", "off" or "?" (nobody can tell).
    const std::tuple<std::vector<std::string>, bool, unsigned, int, const char*> cases[] = {
        {{"input3::capslock=1"}, false, 0, plat::VK_CAPITAL, "on"},
        {{"input3::capslock=0", "input9::capslock=1"}, false, 0, plat::VK_CAPITAL, "on"},
        {{"input3::numlock=0", "input3::capslock=1"}, false, 0, plat::VK_NUMLOCK, "off"},
        {{"input3::numlock=1"}, false, 0, plat::VK_SCROLL, "?"},
        {{}, false, 0, plat::VK_CAPITAL, "?"},
        // No lights: the X server's indicators tell.
        {{}, true, LockMask, plat::VK_CAPITAL, "on"},
        {{}, true, LockMask, plat::VK_NUMLOCK, "off"},
        {{}, true, Mod2Mask, plat::VK_NUMLOCK, "on"},
        {{}, true, Mod2Mask, plat::VK_CAPITAL, "off"},
        {{}, true, 0, plat::VK_SCROLL, "off"},
        // Where the kernel shows a light, it is the one that counts.
        {{"input3::capslock=0"}, true, LockMask, plat::VK_CAPITAL, "off"},
        {{}, true, LockMask, 0x41, "?"}, // "A" has no lock
    };
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const auto& [lights, asksX, locked, vk, state] = cases[row];
        SCOPED_TRACE("row " + std::to_string(row));
        if (asksX && !x.display()) {
            std::cout << "not run (no Xvfb): the X server rows\n";
            continue;
        }
        plat::KeyLockSources sources;
        sources.ledsFolder = vtltest::MakeTempDir("leds");
        for (const std::string& light : lights) {
            const std::size_t split = light.find('=');
            const fs::path folder = fs::path(sources.ledsFolder) / light.substr(0, split);
            fs::create_directories(folder);
            vtltest::WriteFile(folder / "brightness", light.substr(split + 1) + "\n");
        }
        if (asksX) {
            x.Lock(locked);
            sources.x11Display = x.display();
        }
        const std::optional<bool> seen = GetKeyLockState(vk, sources);
        EXPECT_STREQ(seen ? (*seen ? "on" : "off") : "?", state);
    }
}

} // namespace
