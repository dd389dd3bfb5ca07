#pragma once
// The per-user folders of the XDG base directories that the integration files go into.
#include <string>

namespace vtlmenu {

// ${XDG_DATA_HOME:-~/.local/share}
std::string UserDataDir();
// ${XDG_CONFIG_HOME:-~/.config}
std::string UserConfigDir();
// ${XDG_CONFIG_DIRS:-/etc/xdg}, in order of preference.
std::string SystemConfigDirs();

// Writes `text` into a temporary file beside `path` and renames it over `path`, creating the
// folder; the file gets `mode`. False, leaving any old file as it was, on failure.
bool ReplaceFile(const std::string& path, const std::string& text, unsigned mode);

} // namespace vtlmenu
