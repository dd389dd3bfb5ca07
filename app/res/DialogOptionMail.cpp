#include "app/res/Dialogs.h"
#include "app/res/resource.h"

const plat::DLGTEMPLATE& OptionMailPageTemplate() {
    using plat::CtlKind;
    static const plat::DLGTEMPLATE tmpl{
        IDD_OPTION_MAIL,
        "Mail",
        235,
        156,
        "MS Sans Serif",
        8,
        0,
        {
            DLGITEM(IDC_MAIL_SUBJECT, CtlKind::Edit, "", 53, 7, 175, 14),
            DLGITEM(IDC_MAIL_BODY, CtlKind::Edit, "", 53, 43, 175, 106,
                    plat::ES_MULTILINE | plat::WS_VSCROLL | plat::WS_HSCROLL),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Body", 27, 67, 17, 8, plat::SS_RIGHT),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Subject", 19, 12, 29, 8, plat::SS_RIGHT),
            DLGITEM(IDC_STATIC, CtlKind::Static, "(%F = Attach file name)", 53, 25, 93, 8),
        }};
    return tmpl;
}
