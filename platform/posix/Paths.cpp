#include "platform/Paths.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <system_error>

namespace plat {

std::string GetModuleFileName() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string GetModuleFileNameOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : path.string();
}

std::string GetTempPath() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env && *env) ? env : "/tmp";
    if (dir.back() != PATH_SEPARATOR)
        dir += PATH_SEPARATOR;
    return dir;
}

std::string GetHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

namespace {

std::string XdgFolder(const char* variable, const char* belowHome) {
    const char* value = std::getenv(variable);
    return value && *value == PATH_SEPARATOR ? value : GetHomeFolder() + PATH_SEPARATOR + belowHome;
}

} // namespace

std::string GetUserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}
std::string GetUserCacheFolder() {
    return XdgFolder("XDG_CACHE_HOME", ".cache");
}
std::string GetUserDataFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

bool HasDrive(const std::string& path) {
    return !path.empty() && path.front() == PATH_SEPARATOR;
}

} // namespace plat
