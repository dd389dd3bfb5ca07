#pragma once
// The KDE Dolphin service menu: a desktop file in ~/.local/share/kio/servicemenus/ with the
// "Vantrel" submenu and one action per command, each running `vtlmenu --invoke N %F`.
// Dolphin only runs service menus that are executable, so the file is made so.
// Called by vtlmenu --register/--unregister on its main thread.
#include "shellext/vtlmenu/IntegrationMenu.h"

namespace vtlmenu {

class CDolphinServiceMenu {
  public:
    static std::string Path();
    static std::string Text(const IntegrationMenu& menu);
    static bool Install(const IntegrationMenu& menu);
    // True when the file is gone afterwards.
    static bool Remove();
};

} // namespace vtlmenu
