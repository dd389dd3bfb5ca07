#pragma once
// CDlgOptionSheet: the options sheet of the "Option ..." command, with the "Mail" page first
// and the "Menu Context" page second. Its pages edit the mail texts and the menu choices of
// the settings in memory (Apply and OK hand them on); the command stores them when DoModal
// ends with OK. Cancel stores nothing, also after Apply.
//
// Constructed, run and destroyed on the user-interface thread, for one DoModal.
#include "app/browser/DlgOptionMailPage.h"
#include "app/browser/DlgOptionMenuContextPage.h"
#include "platform/ui/PropertySheet.h"

#include <string>

class CDlgOptionSheet : public plat::CPropertySheet {
  public:
    CDlgOptionSheet(const std::string& caption, QWidget* parent, int iSelectPage);

    CDlgOptionMailPage m_pageMail;
    CDlgOptionMenuContextPage m_pageMenuContext;
};
