#pragma once
// What a file manager's integration file lists: the handler's own submenu and commands (read
// from the module, so their texts have one source), the icon and the program to run.
#include "shellext/host/ContextMenuRequest.h"

#include <string>
#include <vector>

namespace vtlmenu {

struct IntegrationMenu {
    std::string submenu;
    std::vector<vtlext::MenuEntry> commands;       // on pictures
    std::vector<vtlext::MenuEntry> folderCommands; // on folders
    std::string iconPath; // the application's icon; "" when there is no icon file
    std::string vtlmenuPath;
};

} // namespace vtlmenu
