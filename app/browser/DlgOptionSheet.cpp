#include "app/browser/DlgOptionSheet.h"

#include "app/core/AppSetting.h"
#include "platform/ui/MessageBox.h"

CDlgOptionSheet::CDlgOptionSheet(const std::string& caption, QWidget* parent, int iSelectPage)
    : CPropertySheet(caption, parent, iSelectPage) {
    AddPage(&m_pageMail);
    AddPage(&m_pageMenuContext);
}

int CDlgOptionSheet::DoModal() {
    const int result = CPropertySheet::DoModal();
    if (result == plat::IDOK)
        if (const std::string failure = GetAppSetting()->SaveMenuAndMail(); !failure.empty())
            plat::AfxMessageBox(failure, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    return result;
}
