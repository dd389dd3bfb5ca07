#include "app/browser/DlgOptionMailPage.h"

#include "app/model/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/Utf8.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/EditLimit.h"

#include <algorithm>
#include <cstdint>

CDlgOptionMailPage::CDlgOptionMailPage() : CPropertyPage(OptionMailPageTemplate()) {}

void CDlgOptionMailPage::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Text(pDX, IDC_MAIL_BODY, m_strMailBody);
    plat::DDX_Text(pDX, IDC_MAIL_SUBJECT, m_strMailSubject);
    plat::DDX_Text(pDX, IDC_MAIL_MAX_MB, m_nMailMaxMb);
    plat::DDX_Check(pDX, IDC_MAIL_NO_GPS, m_bMailNoGps);
}

bool CDlgOptionMailPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    CAppSetting* setting = GetAppSetting();
    plat::LimitText(GetDlgItem(IDC_MAIL_SUBJECT), sizeof setting->m_szMailSubject - 1);
    plat::LimitText(GetDlgItem(IDC_MAIL_BODY), sizeof setting->m_szMailBody - 1);
    m_strMailSubject = setting->m_szMailSubject;
    m_strMailBody = setting->m_szMailBody;
    m_nMailMaxMb = static_cast<std::uint32_t>(std::max(setting->m_nMailMaxMb, 0));
    m_bMailNoGps = setting->m_bMailNoGps ? 1 : 0;
    UpdateData(false); // the number fills its empty edit: not a change of the person's
    m_bOpened = true;
    return true;
}

void CDlgOptionMailPage::OnCommand(int id, int code) {
    if (!m_bOpened) {
        CPropertyPage::OnCommand(id, code);
    } else if ((code == plat::EN_CHANGE &&
                (id == IDC_MAIL_SUBJECT || id == IDC_MAIL_BODY || id == IDC_MAIL_MAX_MB)) ||
               (code == plat::BN_CLICKED && id == IDC_MAIL_NO_GPS))
        SetModified(true);
    else
        CPropertyPage::OnCommand(id, code);
}

bool CDlgOptionMailPage::OnApply() {
    if (!UpdateData(true))
        return false;
    CAppSetting* setting = GetAppSetting();
    plat::CopyTextCut(setting->m_szMailSubject, sizeof setting->m_szMailSubject,
                      m_strMailSubject.c_str());
    plat::CopyTextCut(setting->m_szMailBody, sizeof setting->m_szMailBody, m_strMailBody.c_str());
    // A number too big for the setting means "so big that it never asks".
    setting->m_nMailMaxMb =
        static_cast<std::int32_t>(std::min<std::uint32_t>(m_nMailMaxMb, INT32_MAX));
    setting->m_bMailNoGps = m_bMailNoGps;
    return true;
}
