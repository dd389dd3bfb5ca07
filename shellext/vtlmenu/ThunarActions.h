#pragma once
// Thunar's custom actions: ~/.config/Thunar/uca.xml gets one action per command in the
// "Vantrel" submenu, each running `vtlmenu --invoke N %F`, for pictures and again for folders.
// The user's own actions are kept as they are; ours are told apart by their unique-id
// "vantrel-N" (pictures) or "vantrel-folder-N". When the user has no uca.xml
// yet, the system's default one (which Thunar would show) is the starting point, so its
// actions stay too. A file that is not well-formed is never rewritten.
// Called by vtlmenu --register/--unregister on its main thread.
#include "platform/Result.h"
#include "shellext/vtlmenu/IntegrationMenu.h"

#include <optional>

namespace vtlmenu {

class CThunarActions {
  public:
    static std::string Path();
    // `existing` with our actions replaced by those of `menu`, or only removed when `menu` is
    // null; nothing when `existing` is not a well-formed action list.
    static std::optional<std::string> Merge(const std::string& existing,
                                            const IntegrationMenu* menu);
    // Fail, the file untouched, when it cannot be merged or written.
    static plat::Result<void> Install(const IntegrationMenu& menu);
    static plat::Result<void> Remove();

  private:
    static plat::Result<void> Update(const IntegrationMenu* menu);
};

} // namespace vtlmenu
