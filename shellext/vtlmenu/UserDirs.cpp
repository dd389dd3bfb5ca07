#include "shellext/vtlmenu/UserDirs.h"

#include "platform/ReplaceFile.h"

#include <cstdlib>
#include <filesystem>

namespace vtlmenu {

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
