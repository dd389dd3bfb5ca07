// Bitmap 205 as Windows menus take it: the module's own bitmap resource (win32/MenuMark.bmp).
#include "shellext/MenuBitmap.h"

namespace vtlext {

HBITMAP LoadMenuBitmap() {
    static const HBITMAP mark = [] {
        HMODULE module = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                 GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<const char*>(&LoadMenuBitmap), &module);
        return ::LoadBitmapA(module, MAKEINTRESOURCEA(IDB_MENU_MARK));
    }();
    return mark;
}

} // namespace vtlext
