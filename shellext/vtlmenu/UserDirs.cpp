#include "shellext/vtlmenu/UserDirs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vtlmenu {

namespace {

std::string FromEnv(const char* name, const char* fallbackBelowHome) {
    const char* value = std::getenv(name);
    if (value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/" + fallbackBelowHome;
}

} // namespace

std::string UserDataDir() { return FromEnv("XDG_DATA_HOME", ".local/share"); }
std::string UserConfigDir() { return FromEnv("XDG_CONFIG_HOME", ".config"); }

std::string SystemConfigDirs() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    return value && *value ? value : "/etc/xdg";
}

bool ReplaceFile(const std::string& path, const std::string& text, unsigned mode) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && fchmod(fd, static_cast<mode_t>(mode)) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace vtlmenu
