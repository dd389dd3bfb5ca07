#include "app/res/Bitmaps.h"
#include "app/res/Dialogs.h"
#include "app/res/resource.h"

#include <QLabel>

namespace {

// A picture control: the bitmap at its own size, from the control's top-left corner.
template <int bitmap> QWidget* MakePicture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(LoadBitmap(bitmap, picture->devicePixelRatioF()));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

} // namespace

const plat::DLGTEMPLATE& ResizeDialogTemplate() {
    using plat::CTL_GROUP;
    using plat::CtlKind;
    static const std::vector<std::string> kUnits{"pixel", "percent"};
    static const plat::DLGTEMPLATE tmpl{
        IDD_RESIZE,
        "Vantrel...",
        436,
        328,
        "MS Sans Serif",
        8,
        plat::DS_CENTER | plat::WS_SYSMENU,
        {
            DLGITEM(IDC_RESIZE_CANCEL, CtlKind::PushButton, "Cancel", 326, 307, 65, 14),
            DLGITEM(IDC_RESIZE_RUN, CtlKind::PushButton, "Resize", 132, 307, 65, 14),
            DLGITEM(IDC_SET_DEFAULT, CtlKind::PushButton, "Set as default", 35, 307, 65, 14),
            DLGITEM(IDC_DEST_IN_FOLDER, CtlKind::RadioButton, "in the folder:", 14, 28, 72, 10,
                    CTL_GROUP),
            DLGITEM(IDC_DEST_OVERWRITE, CtlKind::RadioButton,
                    "Overwrite the source file (not recommend)", 13, 68, 180, 10),
            DLGITEM(IDC_DEST_FOLDER, CtlKind::Edit, "", 97, 27, 276, 14),
            DLGITEM(IDC_BROWSE, CtlKind::PushButton, "Browse...", 373, 28, 50, 14),
            DLGITEM(IDC_SAVE_TYPE, CtlKind::DropDownList, "", 96, 46, 92, 71, 0,
                    {"Same as source", "JPEG(*.jpg)", "BMP(*.bmp)", "GIF(*.gif)"}),
            DLGITEM(IDC_STATIC, CtlKind::Static, "save image type", 31, 47, 61, 8, plat::SS_RIGHT),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Quality\n(JPEG only)", 192, 47, 48, 19,
                    plat::SS_CENTER),
            DLGITEM(IDC_QUALITY, CtlKind::Slider, "", 266, 47, 133, 15),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Save", 7, 7, 422, 95),
            DLGITEM(IDC_CONSTRAIN, CtlKind::CheckBox, "Constrain Proportion", 13, 142, 96, 10),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Image Resize option", 7, 127, 191, 169),
            DLGITEM(IDC_RESIZE_AS, CtlKind::RadioButton, "Resize as", 22, 159, 52, 10, CTL_GROUP),
            DLGITEM(IDC_RESIZE_WIDTH, CtlKind::Edit, "", 85, 172, 40, 14, plat::ES_NUMBER),
            DLGITEM(IDC_RESIZE_HEIGHT, CtlKind::Edit, "", 85, 194, 40, 14, plat::ES_NUMBER),
            DLGITEM(IDC_WIDTH_UNIT, CtlKind::DropDownList, "", 144, 171, 48, 54, 0, kUnits),
            DLGITEM(IDC_HEIGHT_UNIT, CtlKind::DropDownList, "", 144, 194, 48, 46, 0, kUnits),
            DLGITEM(IDC_RESIZE_DESKTOP, CtlKind::RadioButton, "Resize as your desktop size", 23,
                    214, 124, 10),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Width", 45, 174, 21, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Height", 45, 194, 25, 8),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Image rotate option", 204, 127, 134, 169),
            DLGITEM(IDC_DO_RESIZE, CtlKind::CheckBox, "Image to resize", 13, 108, 76, 10),
            DLGITEM(IDC_DO_ROTATE, CtlKind::CheckBox, "Image to rotate", 210, 108, 76, 10),
            DLGITEM(IDC_ROTATE_LEFT, CtlKind::RadioButton, "", 214, 147, 16, 8, CTL_GROUP),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 145, 30, 12, 0, {},
                    &MakePicture<IDB_ROTATE_LEFT>),
            DLGITEM(IDC_FLIP, CtlKind::RadioButton, "", 214, 171, 16, 8),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 171, 30, 12, 0, {},
                    &MakePicture<IDB_FLIP>),
            DLGITEM(IDC_ROTATE_RIGHT, CtlKind::RadioButton, "", 214, 196, 16, 8),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 196, 30, 12, 0, {},
                    &MakePicture<IDB_ROTATE_RIGHT>),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Best", 406, 51, 17, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Worst", 245, 52, 21, 8),
            DLGITEM(IDC_QUALITY_TEXT, CtlKind::Static, "", 324, 71, 26, 8, plat::SS_CENTER),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Rotate 90 degree", 266, 147, 65, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Rotate -90 degree", 266, 196, 69, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Flip Horizontal", 266, 171, 61, 8),
            DLGITEM(IDC_RESIZE_MAIL, CtlKind::PushButton, "Resize and mail", 229, 307, 65, 14),
            DLGITEM(IDC_STATIC, CtlKind::Static,
                    "If the dest folder is empty, VTL will auto create ./resize/ folder", 98, 16,
                    273, 8),
            DLGITEM(IDC_DO_DPI, CtlKind::CheckBox, "Image to set DPI", 349, 108, 80, 10),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "DPI", 347, 127, 82, 169),
            DLGITEM(IDC_STATIC, CtlKind::Static, "X", 356, 144, 8, 8),
            DLGITEM(IDC_NEW_XDPI, CtlKind::Edit, "", 373, 142, 40, 14),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Y", 356, 168, 8, 8),
            DLGITEM(IDC_NEW_YDPI, CtlKind::Edit, "", 373, 166, 40, 14),
            // The three information labels; the dialog binds a CColorLabel to each.
            DLGITEM(IDC_SIZE_INFO, CtlKind::Static, "", 14, 240, 177, 52),
            DLGITEM(IDC_ROTATE_INFO, CtlKind::Static, "", 211, 226, 121, 51),
            DLGITEM(IDC_DPI_INFO, CtlKind::Static, "", 354, 192, 68, 82),
            // Added to the Save group: the limit, and the safety net of overwriting; to the
            // Image Resize option group: never enlarge.
            DLGITEM(IDC_KEEP_IN_TRASH, CtlKind::CheckBox, "Keep replaced originals in the trash",
                    25, 81, 165, 10),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Limit each file to", 196, 84, 64, 8,
                    plat::SS_RIGHT),
            DLGITEM(IDC_MAX_KB, CtlKind::Edit, "", 264, 81, 36, 14, plat::ES_NUMBER),
            DLGITEM(IDC_STATIC, CtlKind::Static, "KB", 303, 84, 14, 8),
            DLGITEM(IDC_SHRINK_ONLY, CtlKind::CheckBox, "Never enlarge", 13, 227, 100, 10),
        }};
    return tmpl;
}
