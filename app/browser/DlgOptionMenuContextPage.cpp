#include "app/browser/DlgOptionMenuContextPage.h"

#include "app/model/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/ui/DialogBuilder.h"

CDlgOptionMenuContextPage::CDlgOptionMenuContextPage()
    : CPropertyPage(OptionMenuContextPageTemplate()) {}

void CDlgOptionMenuContextPage::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Check(pDX, IDC_MENU_RESIZE, m_bMenuResize);
    plat::DDX_Check(pDX, IDC_MENU_RESIZE_MAIL, m_bMenuResizeAndMail);
    plat::DDX_Check(pDX, IDC_MENU_VANTREL, m_bMenuVantrel);
    plat::DDX_Check(pDX, IDC_MENU_RESIZE_DEFAULT, m_bMenuResizeDefault);
}

bool CDlgOptionMenuContextPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    const CAppSetting* setting = GetAppSetting();
    m_bMenuVantrel = setting->m_bExtVantrel;
    m_bMenuResize = setting->m_bExtResize;
    m_bMenuResizeDefault = setting->m_bExtResizeAsDefaultSetting;
    m_bMenuResizeAndMail = setting->m_bExtResizeAndMail;
    m_nMenuMailMode = setting->m_bExtResizeDefaultAndMail;
    CheckDlgButton(IDC_MENU_MAIL_DEFAULT, m_nMenuMailMode != 0);
    CheckDlgButton(IDC_MENU_MAIL_DIALOG, m_nMenuMailMode == 0);
    UpdateData(false);
    MasterRule();
    return true;
}

void CDlgOptionMenuContextPage::OnCommand(int id, int code) {
    if (code != plat::BN_CLICKED) {
        CPropertyPage::OnCommand(id, code);
        return;
    }
    switch (id) {
    case IDC_MENU_RESIZE:
    case IDC_MENU_RESIZE_DEFAULT:
        SetModified(true);
        break;
    case IDC_MENU_RESIZE_MAIL:
        MailRule();
        break;
    case IDC_MENU_VANTREL:
        MasterRule();
        break;
    case IDC_MENU_MAIL_DEFAULT:
        SetModified(true);
        m_nMenuMailMode = 1;
        break;
    case IDC_MENU_MAIL_DIALOG:
        SetModified(true);
        m_nMenuMailMode = 0;
        break;
    default:
        CPropertyPage::OnCommand(id, code);
        break;
    }
}

void CDlgOptionMenuContextPage::MasterRule() {
    SetModified(true);
    UpdateData(true);
    for (int id : {IDC_MENU_RESIZE, IDC_MENU_RESIZE_DEFAULT, IDC_MENU_RESIZE_MAIL})
        GetDlgItem(id)->setEnabled(m_bMenuVantrel != 0);
    if (m_bMenuVantrel) {
        MailRule();
        return;
    }
    for (int id : {IDC_MENU_MAIL_DEFAULT, IDC_MENU_MAIL_DIALOG})
        GetDlgItem(id)->setEnabled(false);
}

void CDlgOptionMenuContextPage::MailRule() {
    SetModified(true);
    UpdateData(true);
    for (int id : {IDC_MENU_MAIL_DEFAULT, IDC_MENU_MAIL_DIALOG})
        GetDlgItem(id)->setEnabled(m_bMenuResizeAndMail != 0);
}

bool CDlgOptionMenuContextPage::OnApply() {
    UpdateData(true);
    CAppSetting* setting = GetAppSetting();
    setting->m_bExtResizeDefaultAndMail = m_nMenuMailMode;
    setting->m_bExtResize = m_bMenuResize;
    setting->m_bExtResizeAndMail = m_bMenuResizeAndMail;
    setting->m_bExtVantrel = m_bMenuVantrel;
    setting->m_bExtResizeAsDefaultSetting = m_bMenuResizeDefault;
    return CPropertyPage::OnApply();
}
