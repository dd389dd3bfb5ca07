#pragma once
// The application's icon as a file for the file managers that take menu icons by path (Dolphin,
// Thunar): the same picture as the desktop entry's, found also where vtl is not installed in
// an icon theme. Called by vtlmenu --register on its main thread.
#include <string>

namespace vtlmenu {

// ${XDG_DATA_HOME:-~/.local/share}/vantrel/vantrel.png
std::string MenuIconPath();
// Writes the icon as a PNG; false when it cannot be written.
bool SaveMenuIcon(const std::string& path);

} // namespace vtlmenu
