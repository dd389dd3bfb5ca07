#pragma once
// The commands of vtlmenu, the host that plays a file manager's part for libVtlExt.so:
// show the menu the handler builds for some files, run one of its commands, register or
// unregister the module together with the file-manager integration, or add Thunar's actions.
// Each returns the program's exit status (VtlMenuExit) and says on standard output or
// standard error what happened. Called on the main thread.
#include "shellext/vtlmenu/IntegrationMenu.h"

#include <optional>
#include <string>
#include <vector>

namespace vtlext {
class CExtensionModule;
}

namespace vtlmenu {

enum VtlMenuExit : int {
    EXIT_DONE = 0,
    EXIT_FAILED = 1, // the module refused or could not do it (it said why)
    EXIT_USAGE = 2,
    EXIT_NO_MODULE = 3,   // the module could not be loaded
    EXIT_NO_PICTURES = 4, // --invoke on a selection the handler offers nothing for
};

class CVtlMenu {
  public:
    // `programPath` is vtlmenu's own full path: the module and vtl are installed beside it.
    explicit CVtlMenu(std::string programPath);

    int Menu(const std::vector<std::string>& files);
    int Invoke(unsigned offset, const std::vector<std::string>& files);
    int Register();
    int Unregister();
    // Rewrites the Dolphin service menu and the Thunar actions from the menu the handler offers
    // now (the application runs it when its options change); nothing while the module is not
    // registered.
    int Update();
    // Adds the Thunar actions alone, as the options offer the menu: what Thunar needs of each
    // user, run by vtl at a user's first start where the program is installed for every user.
    int AddThunarActions();

  private:
    std::string ModulePath() const;
    // The menus the handler offers on any picture and on any folder, as the file managers' files
    // list it, with the icon saved for them; nothing when the options turned the menu off.
    std::optional<IntegrationMenu> OfferedMenu(const vtlext::CExtensionModule& module) const;
    // Installs the file managers' menus as the handler offers them; with nothing offered (the
    // options turned the menu off), removes them.
    int InstallMenus(const vtlext::CExtensionModule& module);
    // Records where vtl is installed when the application has not done so yet.
    void RecordLocation() const;

    std::string m_programPath;
    std::string m_programDir;
};

} // namespace vtlmenu
