#include "app/res/Dialogs.h"
#include "app/res/resource.h"

const plat::DLGTEMPLATE& OptionMenuContextPageTemplate() {
    using plat::CtlKind;
    static const plat::DLGTEMPLATE tmpl{
        IDD_OPTION_MENU_CONTEXT,
        "Menu Context",
        235,
        156,
        "MS Sans Serif",
        8,
        0,
        {
            DLGITEM(IDC_MENU_VANTREL, CtlKind::CheckBox, "Vantrel", 13, 32, 92, 10),
            DLGITEM(IDC_MENU_RESIZE, CtlKind::CheckBox, "Resize", 31, 52, 40, 10),
            DLGITEM(IDC_MENU_RESIZE_DEFAULT, CtlKind::CheckBox, "Resize as default setting", 31, 71,
                    116, 10),
            DLGITEM(IDC_STATIC, CtlKind::Static,
                    "Select the menu items that viewed in menu context ", 17, 15, 201, 8),
            DLGITEM(IDC_MENU_RESIZE_MAIL, CtlKind::CheckBox, "Resize and mail", 31, 90, 76, 10),
            DLGITEM(IDC_MENU_MAIL_DEFAULT, CtlKind::RadioButton,
                    "Resize as default setting and mail", 46, 106, 152, 10, plat::CTL_GROUP),
            DLGITEM(IDC_MENU_MAIL_DIALOG, CtlKind::RadioButton, "Display resize dialog then mail",
                    46, 122, 140, 10),
        }};
    return tmpl;
}
