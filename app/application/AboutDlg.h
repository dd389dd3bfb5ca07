#pragma once
// CAboutDlg: the About box (template 100 "About Vantrel"): the application icon, the name in
// a large bold face, and "v" with the version in a CColorLabel. OK closes it.
//
// Shown modally on the user-interface thread by CVantrelApp::OnAppAbout.
#include "app/widgets/ColorLabel.h"
#include "platform/ui/Dialog.h"

class CAboutDlg : public plat::CDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override;
    bool OnInitDialog() override;

  private:
    CColorLabel m_lblVersion;
};
