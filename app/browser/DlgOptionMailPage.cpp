#include "app/browser/DlgOptionMailPage.h"

#include "app/model/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/Utf8.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/EditLimit.h"

CDlgOptionMailPage::CDlgOptionMailPage() : CPropertyPage(OptionMailPageTemplate()) {}

void CDlgOptionMailPage::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Text(pDX, IDC_MAIL_BODY, m_strMailBody);
    plat::DDX_Text(pDX, IDC_MAIL_SUBJECT, m_strMailSubject);
}

bool CDlgOptionMailPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    CAppSetting* setting = GetAppSetting();
    plat::LimitText(GetDlgItem(IDC_MAIL_SUBJECT), sizeof setting->m_szMailSubject - 1);
    plat::LimitText(GetDlgItem(IDC_MAIL_BODY), sizeof setting->m_szMailBody - 1);
    m_strMailSubject = setting->m_szMailSubject;
    m_strMailBody = setting->m_szMailBody;
    UpdateData(false);
    return true;
}

void CDlgOptionMailPage::OnCommand(int id, int code) {
    if (code == plat::EN_CHANGE && (id == IDC_MAIL_SUBJECT || id == IDC_MAIL_BODY))
        SetModified(true);
    else
        CPropertyPage::OnCommand(id, code);
}

bool CDlgOptionMailPage::OnApply() {
    UpdateData(true);
    CAppSetting* setting = GetAppSetting();
    plat::CopyTextCut(setting->m_szMailSubject, sizeof setting->m_szMailSubject,
                m_strMailSubject.c_str());
    plat::CopyTextCut(setting->m_szMailBody, sizeof setting->m_szMailBody, m_strMailBody.c_str());
    return true;
}
