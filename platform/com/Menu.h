#pragma once
// Menus with the shape of the Windows ones (HMENU): a host creates a popup menu, a shell
// extension inserts its items by position, and the host reads the items back to show them in
// its own toolkit. An item has an identifier (or a submenu), a text, and a bitmap for each
// check state. Bitmaps are small device-independent pictures (HBITMAP).
// A menu is used by one thread at a time; DestroyMenu frees it with its submenus.
#include "platform/com/Unknown.h"

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
// The Windows menus themselves: CreatePopupMenu, InsertMenu, SetMenuItemBitmaps, … and their
// flags, used unqualified.
namespace plat {
using ::HBITMAP;
using ::HMENU;
} // namespace plat

#else
namespace plat {

struct MenuData;
using HMENU = MenuData*;

// 32-bit 0xAARRGGBB pixels, rows top to bottom.
struct BitmapData {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
using HBITMAP = BitmapData*;

HBITMAP CreateBitmap(int width, int height, std::vector<std::uint32_t> pixels);
bool DeleteObject(HBITMAP bitmap);

enum : UINT {
    MF_STRING = 0x0,
    MF_BYCOMMAND = 0x0,
    MF_BYPOSITION = 0x400,
    MF_POPUP = 0x10,
};

HMENU CreatePopupMenu();
// Destroys the menu and every submenu in it; false for a null menu.
bool DestroyMenu(HMENU menu);

// Inserts before `position` (MF_BYPOSITION; a position past the end appends) an item with
// `idOrPopup` as its identifier, or, with MF_POPUP, as the HMENU of its submenu, which the
// menu then owns. Without MF_BYPOSITION `position` names the item whose identifier it is.
bool InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t idOrPopup, const char* text);
bool SetMenuItemBitmaps(HMENU menu, UINT position, UINT flags, HBITMAP unchecked, HBITMAP checked);

// -1 for a null menu.
int GetMenuItemCount(HMENU menu);
// The identifier at a position; 0xFFFFFFFF for a submenu or no item.
UINT GetMenuItemID(HMENU menu, int position);
// The submenu at a position; null when the item is not one.
HMENU GetSubMenu(HMENU menu, int position);

// What the host needs to show one item (read by position).
struct MENUITEMINFO {
    UINT wID = 0;
    HMENU hSubMenu = nullptr;
    HBITMAP hbmpChecked = nullptr;
    HBITMAP hbmpUnchecked = nullptr;
    std::string text;
};
bool GetMenuItemInfo(HMENU menu, UINT position, bool byPosition, MENUITEMINFO* info);

} // namespace plat
#endif
