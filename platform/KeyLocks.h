#pragma once
// The state of the keyboard's lock keys, for the status bar's CAP, NUM and SCRL indicators, in
// place of GetKeyState's toggle bit.
//
// On Linux the kernel shows each keyboard's lock lights under /sys/class/leds (the display
// server sets them as the locks change): a lock is on when any keyboard's light for it is on.
// Where no keyboard has that light (a virtual display, a remote session), the X server's
// keyboard indicators tell, when the caller runs on X and passes its Xlib display connection;
// libX11 is loaded for that when first needed, so nothing here needs X to run. Where neither
// tells, the state is unknown. Any thread may ask about the lights; the display connection is
// used only on the thread that owns it. Each call reads the state anew.
#include <optional>
#include <string>

namespace plat {

enum : int { VK_CAPITAL = 0x14, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91 };

// Where the lock state is read.
struct KeyLockSources {
    std::string ledsFolder = "/sys/class/leds";
    void* x11Display = nullptr; // an Xlib Display*, or none when not on X
};

// Whether the lock of `vk` is on; nothing when neither source can tell or `vk` is no lock key.
std::optional<bool> GetKeyLockState(int vk, const KeyLockSources& sources = {});

} // namespace plat
