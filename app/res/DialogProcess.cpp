#include "app/res/Dialogs.h"
#include "app/res/resource.h"
#include "platform/ui/MessageBox.h"

const plat::DLGTEMPLATE& ProcessDialogTemplate() {
    using plat::CtlKind;
    static const plat::DLGTEMPLATE tmpl{
        IDD_PROCESS,
        "Process",
        254,
        101,
        "MS Sans Serif",
        8,
        plat::WS_SYSMENU,
        {
            plat::DLGITEMTEMPLATE{plat::IDCANCEL, "IDCANCEL", CtlKind::PushButton, "Cancel", 101,
                                  80, 50, 14},
            DLGITEM(IDC_PROGRESS, CtlKind::Progress, "", 13, 43, 219, 14),
            DLGITEM(IDC_TEXT, CtlKind::Static, "", 13, 23, 219, 11),
        }};
    return tmpl;
}
