#pragma once
// CDlgOptionMenuContextPage: the "Menu Context" page of the options sheet (template 155), with
// the five choices of the file manager's menu: the "Vantrel" submenu (1035), its entries
// "Resize" (1036), "Resize as default setting" (1037) and "Resize and mail" (1038), and how the
// mail entry works (radio 1039 "Resize as default setting and mail", m_nMenuMailMode 1; radio
// 1040 "Display resize dialog then mail", 0). The choices are stored with the settings; the
// file-manager extension reads them at every right-click, and the file list's Option command
// has the user's Dolphin and Thunar menus rewritten after OK.
//
// Two rules keep the page consistent. The master rule: without "Vantrel" the five controls
// below it are disabled; with it the three entries are enabled and the mail rule decides the
// radio buttons. The mail rule: the radio buttons are enabled only with "Resize and mail". Both
// mark the page changed, and the master rule runs when the page opens, so Apply is available
// from then on.
//
// Created with the sheet and used on the user-interface thread only.
#include "platform/ui/PropertyPage.h"

#include <cstdint>

class CDlgOptionMenuContextPage : public plat::CPropertyPage {
  public:
    CDlgOptionMenuContextPage();

    std::int32_t m_nMenuMailMode = 1;
    std::int32_t m_bMenuResize = 1;
    std::int32_t m_bMenuResizeAndMail = 1;
    std::int32_t m_bMenuVantrel = 1;
    std::int32_t m_bMenuResizeDefault = 1;

    void OnCommand(int id, int code) override;
    bool OnApply() override;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override;
    bool OnInitDialog() override;

  private:
    void MasterRule();
    void MailRule();
};
