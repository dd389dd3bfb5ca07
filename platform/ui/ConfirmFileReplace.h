#pragma once
// CConfirmFileReplace: the question a copy or a move asks before it puts a file in place of
// one of the same name: the folder and the name, the size and modification time of the file
// there and of the one that would replace it, and the answers "Yes", "Yes to All", "No" and
// "Cancel". DoModal returns the answer, IDYES, IDYESTOALL, IDNO or IDCANCEL (also for Esc and
// the close box). "Yes" is the default button. The buttons' objectNames are those ids, which
// is also what a VTL_AUTOCLICK name presses.
//
// Shown by CFileOperation on the user-interface thread.
#include "platform/ui/Dialog.h"

#include <string>

namespace plat {

enum : int { IDYESTOALL = 0x1001 };

class CConfirmFileReplace : public CDialog {
  public:
    // `existing` is the file in the destination folder, `incoming` the one to replace it.
    CConfirmFileReplace(QWidget* parent, const std::string& existing, const std::string& incoming);

    void OnCommand(int id, int code) override;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    std::string m_strQuestion;
    std::string m_strExisting;
    std::string m_strIncoming;
};

} // namespace plat
