#include "shellext/vtlmenu/UserDirs.h"

#include "platform/ReplaceFile.h"

#include <cstdlib>
#include <filesystem>

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
    return plat::ReplaceFileContents(path, text, mode);
}

} // namespace vtlmenu
