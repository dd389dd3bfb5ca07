#include "app/application/AboutDlg.h"

#include "app/model/AppSetting.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"

#include <QFontInfo>

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(AboutDialogTemplate(), parent) {}

void CAboutDlg::DoDataExchange(plat::CDataExchange* pDX) {
    DDX_Control(pDX, IDC_VERSION, m_lblVersion);
}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The name is drawn in the label's own face at one and a half times its height, bold.
    QWidget* name = GetDlgItem(IDC_ABOUT_NAME);
    QFont font = name->font();
    font.setPixelSize(QFontInfo(font).pixelSize() * 3 / 2);
    font.setWeight(QFont::Bold);
    name->setFont(font);
    m_lblVersion.SetLabelText("v" + GetAppSetting()->m_strVersion);
    return true;
}
