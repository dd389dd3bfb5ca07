#include "app/browser/DlgOptionSheet.h"

CDlgOptionSheet::CDlgOptionSheet(const std::string& caption, QWidget* parent, int iSelectPage)
    : CPropertySheet(caption, parent, iSelectPage) {
    AddPage(&m_pageMail);
    AddPage(&m_pageMenuContext);
}
