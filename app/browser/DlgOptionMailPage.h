#pragma once
// CDlgOptionMailPage: the "Mail" page of the options sheet (template 107), where the user
// writes the subject (1041) and body (1042) that mail sending puts into every new message. It
// shows the subject and body of the settings when it opens and hands them back on Apply or
// OK. Each edit takes only as much text as its field in the settings holds (199 and 4999
// bytes of UTF-8), so what is stored is always what the user sees. Below them, the size in MB
// above which mailing asks first (1062, 0 never asks) and whether mailed pictures lose their
// location (1063). Any change of a text or a click on the check box marks the page changed.
//
// Created with the sheet and used on the user-interface thread only.
#include "platform/ui/PropertyPage.h"

#include <cstdint>
#include <string>

class CDlgOptionMailPage : public plat::CPropertyPage {
  public:
    CDlgOptionMailPage();

    std::string m_strMailBody;
    std::string m_strMailSubject;
    std::uint32_t m_nMailMaxMb = 20;
    std::int32_t m_bMailNoGps = 1;

    void OnCommand(int id, int code) override;
    bool OnApply() override;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override;
    bool OnInitDialog() override;

  private:
    bool m_bOpened = false; // the controls hold the settings: a change now is the person's
};
