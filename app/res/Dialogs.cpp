#include "app/res/Dialogs.h"

std::vector<const plat::DLGTEMPLATE*> AllDialogTemplates() {
    return {&AboutDialogTemplate(),   &ResizeDialogTemplate(),   &ProcessDialogTemplate(),
            &ConfirmDialogTemplate(), &OptionMailPageTemplate(), &OptionMenuContextPageTemplate()};
}
