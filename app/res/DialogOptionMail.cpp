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
            DLGITEM(IDC_MAIL_BODY, CtlKind::Edit, "", 53, 43, 175, 72,
                    plat::ES_MULTILINE | plat::WS_VSCROLL | plat::WS_HSCROLL),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Body", 27, 67, 17, 8, plat::SS_RIGHT),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Subject", 19, 12, 29, 8, plat::SS_RIGHT),
            DLGITEM(IDC_STATIC, CtlKind::Static, "(%F = Attach file name)", 53, 25, 93, 8),
            // Mail servers refuse large messages, and a picture's location is private.
            DLGITEM(IDC_STATIC, CtlKind::Static, "Warn when the attachments exceed", 7, 122, 138, 8,
                    plat::SS_RIGHT),
            DLGITEM(IDC_MAIL_MAX_MB, CtlKind::Edit, "", 149, 120, 30, 12, plat::ES_NUMBER),
            DLGITEM(IDC_STATIC, CtlKind::Static, "MB", 183, 122, 20, 8),
            DLGITEM(IDC_MAIL_NO_GPS, CtlKind::CheckBox,
                    "Remove location (GPS) from mailed pictures", 53, 138, 175, 10),
        }};
    return tmpl;
}
