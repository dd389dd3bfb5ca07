#pragma once
// CDlgConfirm: the question the resize job asks about one file (template 156 "Vantrel
// Confirm"): the file in 1032, the question in 1054, and the answers "Yes to all", "Yes",
// "No", "No to all". Each answer sets m_nResult and ends the dialog with IDOK; Esc and the
// close box end it with IDCANCEL and leave CONFIRM_NONE. "Yes" has the focus and is the
// default button, and the dialog comes to the front when it opens.
//
// Constructed, shown and destroyed on the user-interface thread, by CDlgProcess on behalf of
// the resize job's worker, once per question; its parent is the progress dialog.
#include "app/batch/PassSink.h"
#include "platform/ui/Dialog.h"

#include <cstdint>
#include <string>

class CDlgConfirm : public plat::CDialog {
  public:
    CDlgConfirm(QWidget* parent, std::string text);

    std::int32_t m_nResult = CONFIRM_NONE;
    std::string m_strFile;
    std::string m_strQuestion;

    void OnCommand(int id, int code) override;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override;
    bool OnInitDialog() override;
};
