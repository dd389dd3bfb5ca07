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

std::string GetUserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }
std::string GetUserCacheFolder() { return XdgFolder("XDG_CACHE_HOME", ".cache"); }
std::string GetUserDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    const auto slash = path.find_last_of(PATH_SEPARATOR);
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    parts.dir = path.substr(0, nameStart);
    const std::string name = path.substr(nameStart);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        parts.fname = name;
    } else {
        parts.fname = name.substr(0, dot);
        parts.ext = name.substr(dot);
    }
    return parts;
}

std::string MakePath(const PathParts& parts) {
    std::string path = parts.drive + parts.dir;
    if (!path.empty() && path.back() != PATH_SEPARATOR)
        path += PATH_SEPARATOR;
    path += parts.fname;
    if (!parts.ext.empty() && parts.ext.front() != '.')
        path += '.';
    return path + parts.ext;
}

bool HasDrive(const std::string& path) { return !path.empty() && path.front() == PATH_SEPARATOR; }

} // namespace plat
