#include "platform/KeyLocks.h"

#include <X11/XKBlib.h>
#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

namespace plat {

namespace {

struct LockKey {
    int vk;
    const char* ledSuffix;     // of the kernel's light, "input3::capslock"
    const char* indicatorName; // of the X server's indicator
};
constexpr LockKey kLockKeys[] = {
    {VK_CAPITAL, "::capslock", "Caps Lock"},
    {VK_NUMLOCK, "::numlock", "Num Lock"},
    {VK_SCROLL, "::scrolllock", "Scroll Lock"},
};

std::optional<bool> FromLights(const std::string& folder, const char* suffix) {
    std::optional<bool> state;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
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

// The calls of libX11 this needs, loaded once; null where the library is not installed.
struct Xlib {
    decltype(&XInternAtom) internAtom = nullptr;
    decltype(&XkbGetNamedIndicator) getNamedIndicator = nullptr;

    static const Xlib& Get() {
        static const Xlib xlib = [] {
            Xlib loaded;
            if (void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL)) {
                loaded.internAtom =
                    reinterpret_cast<decltype(&XInternAtom)>(dlsym(library, "XInternAtom"));
                loaded.getNamedIndicator = reinterpret_cast<decltype(&XkbGetNamedIndicator)>(
                    dlsym(library, "XkbGetNamedIndicator"));
            }
            return loaded;
        }();
        return xlib;
    }
};

std::optional<bool> FromIndicators(void* connection, const char* name) {
    const Xlib& xlib = Xlib::Get();
    if (!connection || !xlib.internAtom || !xlib.getNamedIndicator)
        return std::nullopt;
    auto* display = static_cast<Display*>(connection);
    // Each name is looked up once per connection: the status bar asks four times a second.
    static std::mutex lock;
    static std::map<std::pair<Display*, std::string>, Atom> atoms;
    Atom atom = None;
    {
        const std::lock_guard guard(lock);
        const auto key = std::pair(display, std::string(name));
        const auto found = atoms.find(key);
        atom = found != atoms.end()
                   ? found->second
                   : atoms.emplace(key, xlib.internAtom(display, name, True)).first->second;
    }
    // A keyboard map without this indicator names no atom for it.
    Bool on = False;
    if (atom == None || !xlib.getNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}

} // namespace

std::optional<bool> GetKeyLockState(int vk, const KeyLockSources& sources) {
    for (const LockKey& key : kLockKeys) {
        if (key.vk != vk)
            continue;
        if (const std::optional<bool> lit = FromLights(sources.ledsFolder, key.ledSuffix))
            return lit;
        return FromIndicators(sources.x11Display, key.indicatorName);
    }
    return std::nullopt;
}

} // namespace plat
