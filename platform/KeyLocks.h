#pragma once
// The state of the keyboard's lock keys, for the status bar's CAP, NUM and SCRL indicators, in
// place of GetKeyState's toggle bit.
//
// On Linux the kernel shows each keyboard's lock lights under /sys/class/leds (the display
// server sets them as the locks change): a lock is on when any keyboard's light for it is on.
// Where no keyboard has that light (a virtual display, a remote session), the state is
// unknown. Any thread may ask; each call reads the lights anew.
#include <optional>

namespace plat {

enum : int { VK_CAPITAL = 0x14, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91 };

// Whether the lock of `vk` is on; nothing when the system cannot tell or `vk` is no lock key.
std::optional<bool> GetKeyLockState(int vk);

} // namespace plat
