#include "app/model/ResizeEnableRules.h"

ResizeEnables ResizeDialogEnables(const ResizeChoices& c) {
    ResizeEnables e{};
    e.bFolder = c.bInFolder;
    switch (c.nSaveType) {
    case 0:
        e.bQuality = c.bJpegInSelection;
        break;
    case 1:
        e.bQuality = true;
        break;
    case 2:
    case 3:
        e.bQuality = false;
        break;
    default:
        e.bQuality = c.bQualityEnabled;
        break; // the other formats, or no choice yet
    }
    e.bSizeMode = c.bResize;
    e.bSizeEntries = c.bResize && !c.bDesktop;
    // Pixels cannot keep the proportions of pictures of different sizes: constrained, only
    // percent can, so the units stay fixed.
    e.bUnits = e.bSizeEntries && (c.bCommonSizeKnown || !c.bConstrain);
    e.bRotateChoices = c.bRotate;
    e.bDpiEntries = c.bSetDpi;
    e.bResizeButton = c.bResize || c.bRotate || c.bSetDpi;
    return e;
}
