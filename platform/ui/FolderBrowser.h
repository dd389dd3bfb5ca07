#pragma once
// CFolderBrowser: the folder chooser of the "Browse..." and Copy To / Move To commands. It
// opens on an initial folder, shows the title text the caller gives (from the string table),
// keeps a status line with the path of the folder in view, and returns the chosen folder's
// path, or nothing when the user cancels. Only folders can be chosen.
//
// Called on the user-interface thread; DoModal runs a modal loop and takes a VTL_AUTOCLICK
// name like every dialog (IDOK chooses the folder in view, IDCANCEL cancels).
#include <optional>
#include <string>

class QWidget;

namespace plat {

class CFolderBrowser {
  public:
    CFolderBrowser(QWidget* owner, std::string title, std::string initialFolder);

    std::optional<std::string> DoModal();

  private:
    QWidget* m_pOwner;
    std::string m_strTitle;
    std::string m_strInitialFolder;
};

} // namespace plat
