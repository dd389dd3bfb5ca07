// The lock keys' state from the kernel's keyboard lights, or, where there are none, from the
// indicators of a real X server (Xvfb, started for the test on a display number it picks).
#include "platform/KeyLocks.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using plat::GetKeyLockState;

// Locks exactly the modifiers of `mask` (LockMask: Caps Lock; Mod2Mask: Num Lock).
void Lock(Display* display, unsigned mask) {
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask | Mod2Mask, mask);
    XSync(display, False);
}

TEST(KeyLocks, TheKernelsLightsElseTheXServersIndicators) {
    const vtltest::ScopedXServer x;
    const std::unique_ptr<Display, int (*)(Display*)> display(
        x.DisplayName().empty() ? nullptr : XOpenDisplay(x.DisplayName().c_str()), XCloseDisplay);
    // The lights (name=brightness), whether the X server is asked and which locks it has on,
    // the key, and its state: "on", "off" or "?" (nobody can tell).
    const std::tuple<std::vector<std::string>, bool, unsigned, int, const char*> cases[] = {
        {{"input3::capslock=1"}, false, 0, plat::VK_CAPITAL, "on"},
        {{"input3::numlock=0", "input3::capslock=1"}, false, 0, plat::VK_NUMLOCK, "off"},
        // No lights: the X server's indicators tell.
        {{}, true, LockMask, plat::VK_CAPITAL, "on"},
        // Where the kernel shows a light, it is the one that counts.
        {{"input3::capslock=0"}, true, LockMask, plat::VK_CAPITAL, "off"},
    };
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const auto& [lights, asksX, locked, vk, state] = cases[row];
        SCOPED_TRACE("row " + std::to_string(row));
        if (asksX && !display) {
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
            Lock(display.get(), locked);
            sources.x11Display = display.get();
        }
        const std::optional<bool> seen = GetKeyLockState(vk, sources);
        EXPECT_STREQ(seen ? (*seen ? "on" : "off") : "?", state);
    }
}

} // namespace
