#include "app/res/Dialogs.h"
#include "app/res/Icons.h"
#include "app/res/resource.h"
#include "platform/ui/MessageBox.h"

#include <QLabel>

namespace {

QWidget* CreateAppIcon(QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setScaledContents(true);
    icon->setPixmap(LoadIcon(IDR_MAINFRAME).pixmap(64, 64));
    return icon;
}

} // namespace

const plat::DLGTEMPLATE& AboutDialogTemplate() {
    using plat::CtlKind;
    static const plat::DLGTEMPLATE tmpl{
        IDD_ABOUTBOX,
        "About Vantrel",
        235,
        55,
        "MS Sans Serif",
        8,
        plat::DS_CENTER | plat::WS_SYSMENU,
        {
            plat::DLGITEMTEMPLATE{IDR_MAINFRAME,
                                  "IDR_MAINFRAME",
                                  CtlKind::Custom,
                                  "",
                                  11,
                                  14,
                                  24,
                                  24,
                                  0,
                                  {},
                                  CreateAppIcon},
            DLGITEM(IDC_ABOUT_NAME, CtlKind::Static, "Vantrel", 44, 8, 120, 16),
            DLGITEM(IDC_VERSION, CtlKind::Static, "", 44, 28, 120, 8),
            plat::DLGITEMTEMPLATE{plat::IDOK, "IDOK", CtlKind::DefPushButton, "OK", 178, 7, 50, 14},
        }};
    return tmpl;
}
