#pragma once
// Bitmap 205 of the module: the 13 x 13 mark shown beside the "Vantrel" submenu and each of
// its commands, for both check states.
#include "platform/com/Menu.h"

namespace vtlext {

constexpr int IDB_MENU_MARK = 205;

// One bitmap for the whole process, made on first use and never freed: menus that a host
// still shows keep pointing at it after the handler that inserted them is gone.
// Any thread may call.
plat::HBITMAP LoadMenuBitmap();

} // namespace vtlext
