#include "app/model/ResizeEnableRules.h"

#include "app/model/formats/FormatTable.h"

ResizeEnables ResizeDialogEnables(const ResizeChoices& c) {
    ResizeEnables e{};
    e.bFolder = c.bInFolder;
    e.bTrash = !c.bInFolder; // only overwriting replaces originals
    switch (c.nSaveType) {
    case SAVE_TYPE_SOURCE:
        e.bQuality = c.bJpegInSelection;
        break;
    case SAVE_TYPE_JPEG:
    case SAVE_TYPE_WEBP:
    case SAVE_TYPE_AVIF:
        e.bQuality = true;
        break;
    case SAVE_TYPE_BMP:
    case SAVE_TYPE_GIF:
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
    // A limit alone re-encodes the pictures within it.
    e.bResizeButton = c.bResize || c.bRotate || c.bSetDpi || c.bLimit;
    return e;
}
