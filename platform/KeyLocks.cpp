#include "platform/KeyLocks.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace plat {

std::optional<bool> GetKeyLockState(int vk) {
    const char* suffix = vk == VK_CAPITAL   ? "::capslock"
                         : vk == VK_NUMLOCK ? "::numlock"
                         : vk == VK_SCROLL  ? "::scrolllock"
                                            : nullptr;
    if (!suffix)
        return std::nullopt;
    std::optional<bool> state;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/sys/class/leds", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->path().filename().string().ends_with(suffix))
            continue;
        std::ifstream brightness(it->path() / "brightness");
        int level = 0;
        if (!(brightness >> level))
            continue;
        state = state.value_or(false) || level > 0;
    }
    return state;
}

} // namespace plat
