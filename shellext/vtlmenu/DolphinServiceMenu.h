#pragma once
// The KDE Dolphin service menus: desktop files in ~/.local/share/kio/servicemenus/ with the
// "Vantrel" submenu and one action per command, each running `vtlmenu --invoke N %F`: one for
// pictures, and one for folders (a service menu has one list of types for all its actions).
// Dolphin only runs service menus that are executable, so the file is made so.
// Called by vtlmenu --register/--unregister on its main thread.
#include "shellext/vtlmenu/IntegrationMenu.h"

namespace vtlmenu {

class CDolphinServiceMenu {
  public:
    static std::string Path();       // the pictures' menu
    static std::string FolderPath(); // the folders' menu
    static std::string Text(const IntegrationMenu& menu, bool folders);
    static bool Install(const IntegrationMenu& menu);
    // True when the files are gone afterwards.
    static bool Remove();
};

} // namespace vtlmenu
