#include "app/res/Dialogs.h"
#include "app/res/resource.h"

const plat::DLGTEMPLATE& ConfirmDialogTemplate() {
    using plat::CtlKind;
    static const plat::DLGTEMPLATE tmpl{
        IDD_CONFIRM,
        "Vantrel Confirm",
        259,
        89,
        "MS Sans Serif",
        8,
        plat::DS_CENTER | plat::WS_SYSMENU,
        {
            DLGITEM(IDC_YESTOALL, CtlKind::PushButton, "Yes to all", 7, 68, 50, 14),
            DLGITEM(IDC_YES, CtlKind::DefPushButton, "Yes", 72, 68, 50, 14),
            DLGITEM(IDC_NO, CtlKind::PushButton, "No", 137, 68, 50, 14),
            DLGITEM(IDC_NOTOALL, CtlKind::PushButton, "No to all", 202, 68, 50, 14),
            DLGITEM(IDC_TEXT, CtlKind::Static, "TEST TO CONFIRM", 16, 33, 224, 22),
            DLGITEM(IDC_QUESTION, CtlKind::Static, "Do you want to overwrite this file?", 7, 7, 245,
                    22),
        }};
    return tmpl;
}
