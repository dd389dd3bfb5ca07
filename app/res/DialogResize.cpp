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
        304,
        "MS Sans Serif",
        8,
        plat::DS_CENTER | plat::WS_SYSMENU,
        {
            DLGITEM(IDC_RESIZE_CANCEL, CtlKind::PushButton, "Cancel", 326, 283, 65, 14),
            DLGITEM(IDC_RESIZE_RUN, CtlKind::PushButton, "Resize", 132, 283, 65, 14),
            DLGITEM(IDC_SET_DEFAULT, CtlKind::PushButton, "Set as default", 35, 283, 65, 14),
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
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Save", 7, 7, 422, 85),
            DLGITEM(IDC_CONSTRAIN, CtlKind::CheckBox, "Constrain Proportion", 13, 132, 96, 10),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Image Resize option", 7, 117, 191, 155),
            DLGITEM(IDC_RESIZE_AS, CtlKind::RadioButton, "Resize as", 22, 149, 52, 10, CTL_GROUP),
            DLGITEM(IDC_RESIZE_WIDTH, CtlKind::Edit, "", 85, 162, 40, 14, plat::ES_NUMBER),
            DLGITEM(IDC_RESIZE_HEIGHT, CtlKind::Edit, "", 85, 184, 40, 14, plat::ES_NUMBER),
            DLGITEM(IDC_WIDTH_UNIT, CtlKind::DropDownList, "", 144, 161, 48, 54, 0, kUnits),
            DLGITEM(IDC_HEIGHT_UNIT, CtlKind::DropDownList, "", 144, 184, 48, 46, 0, kUnits),
            DLGITEM(IDC_RESIZE_DESKTOP, CtlKind::RadioButton, "Resize as your desktop size", 23,
                    204, 124, 10),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Width", 45, 164, 21, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Height", 45, 184, 25, 8),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "Image rotate option", 204, 117, 134, 155),
            DLGITEM(IDC_DO_RESIZE, CtlKind::CheckBox, "Image to resize", 13, 98, 76, 10),
            DLGITEM(IDC_DO_ROTATE, CtlKind::CheckBox, "Image to rotate", 210, 98, 76, 10),
            DLGITEM(IDC_ROTATE_LEFT, CtlKind::RadioButton, "", 214, 137, 16, 8, CTL_GROUP),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 135, 30, 12, 0, {},
                    &MakePicture<IDB_ROTATE_LEFT>),
            DLGITEM(IDC_FLIP, CtlKind::RadioButton, "", 214, 161, 16, 8),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 161, 30, 12, 0, {},
                    &MakePicture<IDB_FLIP>),
            DLGITEM(IDC_ROTATE_RIGHT, CtlKind::RadioButton, "", 214, 186, 16, 8),
            DLGITEM(IDC_STATIC, CtlKind::Custom, "", 230, 186, 30, 12, 0, {},
                    &MakePicture<IDB_ROTATE_RIGHT>),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Best", 406, 51, 17, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Worst", 245, 52, 21, 8),
            DLGITEM(IDC_QUALITY_TEXT, CtlKind::Static, "", 324, 71, 26, 8, plat::SS_CENTER),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Rotate 90 degree", 266, 137, 65, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Rotate -90 degree", 266, 186, 69, 8),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Flip Horizontal", 266, 161, 61, 8),
            DLGITEM(IDC_RESIZE_MAIL, CtlKind::PushButton, "Resize and mail", 229, 283, 65, 14),
            DLGITEM(IDC_STATIC, CtlKind::Static,
                    "If the dest folder is empty, VTL will auto create ./resize/ folder", 98, 16,
                    273, 8),
            DLGITEM(IDC_DO_DPI, CtlKind::CheckBox, "Image to set DPI", 349, 98, 80, 10),
            DLGITEM(IDC_STATIC, CtlKind::GroupBox, "DPI", 347, 117, 82, 155),
            DLGITEM(IDC_STATIC, CtlKind::Static, "X", 356, 134, 8, 8),
            DLGITEM(IDC_NEW_XDPI, CtlKind::Edit, "", 373, 132, 40, 14),
            DLGITEM(IDC_STATIC, CtlKind::Static, "Y", 356, 158, 8, 8),
            DLGITEM(IDC_NEW_YDPI, CtlKind::Edit, "", 373, 156, 40, 14),
            // The three information labels; the dialog binds a CColorLabel to each.
            DLGITEM(IDC_SIZE_INFO, CtlKind::Static, "", 14, 220, 177, 46),
            DLGITEM(IDC_ROTATE_INFO, CtlKind::Static, "", 211, 216, 121, 51),
            DLGITEM(IDC_DPI_INFO, CtlKind::Static, "", 354, 182, 68, 82),
        }};
    return tmpl;
}
