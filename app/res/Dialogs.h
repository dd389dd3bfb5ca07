#pragma once
// The application's dialog templates, one accessor per template (the dialog class passes its
// template to plat::CDialog). The data lives in one source file per template.
#include "platform/ui/DialogTemplate.h"

#include <vector>

const plat::DLGTEMPLATE& AboutDialogTemplate();           // IDD_ABOUTBOX
const plat::DLGTEMPLATE& ResizeDialogTemplate();          // IDD_RESIZE
const plat::DLGTEMPLATE& ProcessDialogTemplate();         // IDD_PROCESS
const plat::DLGTEMPLATE& ConfirmDialogTemplate();         // IDD_CONFIRM
const plat::DLGTEMPLATE& OptionMailPageTemplate();        // IDD_OPTION_MAIL
const plat::DLGTEMPLATE& OptionMenuContextPageTemplate(); // IDD_OPTION_MENU_CONTEXT

// Every template above, so that checks meant for all dialogs reach each new one.
std::vector<const plat::DLGTEMPLATE*> AllDialogTemplates();
