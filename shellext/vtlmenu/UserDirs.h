#pragma once
// Where the integration files go: the system folders of the XDG base directories (the
// user's own are in platform/Paths.h), and how a file is replaced there.
#include <string>

namespace vtlmenu {

// ${XDG_CONFIG_DIRS:-/etc/xdg}, in order of preference.
std::string SystemConfigDirs();

// Writes `text` into a temporary file beside `path` and renames it over `path`, creating the
// folder; the file gets `mode`. False, leaving any old file as it was, on failure.
bool ReplaceFile(const std::string& path, const std::string& text, unsigned mode);

} // namespace vtlmenu
