#pragma once
// The handler's menu bitmap as an icon file for the file managers that take icons by path
// (Dolphin, Thunar). Called by vtlmenu --register on its main thread.
#include "platform/com/Menu.h"

#include <string>

namespace vtlmenu {

// ${XDG_DATA_HOME:-~/.local/share}/vantrel/vantrel-menu.png
std::string MenuIconPath();
// Writes the bitmap as a PNG; false when there is none or it cannot be written.
bool SaveMenuIcon(plat::HBITMAP bitmap, const std::string& path);

} // namespace vtlmenu
