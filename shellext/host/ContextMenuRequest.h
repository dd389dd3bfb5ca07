#pragma once
// One right-click as a file manager makes it: the module's class factory creates a handler,
// the handler receives the selection as a CF_HDROP data object and fills a popup menu with
// CMF_NORMAL, the host reads the menu back, and at most one command is invoked. The handler
// and the menu are released with the request.
// Used by vtlmenu and the Nautilus extension on the thread that created the request.
#include "platform/com/ShellExt.h"
#include "shellext/host/ExtensionModule.h"

#include <string>
#include <vector>

namespace vtlext {

// One item of the handler's menu, as a host shows it.
struct MenuEntry {
    std::string text;
    int offset = -1; // the command's offset; -1 for a submenu
    std::string helpText;
    std::vector<MenuEntry> children;
};

class CContextMenuRequest {
  public:
    explicit CContextMenuRequest(const CExtensionModule& module) : m_module(module) {}
    ~CContextMenuRequest();
    CContextMenuRequest(const CContextMenuRequest&) = delete;
    CContextMenuRequest& operator=(const CContextMenuRequest&) = delete;

    // Creates the handler, hands it the files and lets it build its menu. The first failing
    // call's result; a handler that adds nothing leaves Entries() empty.
    plat::HRESULT Open(const std::vector<std::string>& files);
    const std::vector<MenuEntry>& Entries() const { return m_entries; }
    // Runs the command at `offset` of the menu built by Open.
    plat::HRESULT Invoke(plat::UINT offset);

  private:
    std::vector<MenuEntry> ReadMenu(plat::HMENU menu) const;

    const CExtensionModule& m_module;
    plat::IContextMenu* m_handler = nullptr;
    plat::HMENU m_menu = nullptr;
    std::vector<MenuEntry> m_entries;
};

} // namespace vtlext
