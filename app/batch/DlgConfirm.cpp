#include "app/batch/DlgConfirm.h"

#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/Foreground.h"

CDlgConfirm::CDlgConfirm(QWidget* parent, std::string text)
    : CDialog(ConfirmDialogTemplate(), parent), m_strFile(std::move(text)) {}

void CDlgConfirm::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Text(pDX, IDC_TEXT, m_strFile);
    plat::DDX_Text(pDX, IDC_QUESTION, m_strQuestion);
}

bool CDlgConfirm::OnInitDialog() {
    CDialog::OnInitDialog();
    GetDlgItem(IDC_YES)->setFocus();
    plat::BringToFront(this);
    return true;
}

void CDlgConfirm::OnCommand(int id, int code) {
    if (code == plat::BN_CLICKED) {
        switch (id) {
        case IDC_YESTOALL:
            m_nResult = CONFIRM_YESTOALL;
            break;
        case IDC_NOTOALL:
            m_nResult = CONFIRM_NOTOALL;
            break;
        case IDC_YES:
            m_nResult = CONFIRM_YES;
            break;
        case IDC_NO:
            m_nResult = CONFIRM_NO;
            break;
        default:
            CDialog::OnCommand(id, code);
            return;
        }
        OnOK();
        return;
    }
    CDialog::OnCommand(id, code);
}
