#include "platform/com/Menu.h"

#include <new>

namespace plat {

struct MenuItem {
    UINT id = 0;
    HMENU popup = nullptr;
    std::string text;
    HBITMAP unchecked = nullptr;
    HBITMAP checked = nullptr;
};

struct MenuData {
    std::vector<MenuItem> items;
};

HBITMAP CreateBitmap(int width, int height, std::vector<std::uint32_t> pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return nullptr;
    return new (std::nothrow) BitmapData{width, height, std::move(pixels)};
}

bool DeleteObject(HBITMAP bitmap) {
    if (!bitmap)
        return false;
    delete bitmap;
    return true;
}

HMENU CreatePopupMenu() {
    return new (std::nothrow) MenuData;
}

bool DestroyMenu(HMENU menu) {
    if (!menu)
        return false;
    for (auto& item : menu->items)
        DestroyMenu(item.popup);
    delete menu;
    return true;
}

namespace {

// The index of an item, or -1: by position, or by identifier among the items of this menu.
int FindItem(HMENU menu, UINT position, UINT flags) {
    if (!menu)
        return -1;
    if (flags & MF_BYPOSITION)
        return position < menu->items.size() ? static_cast<int>(position) : -1;
    for (std::size_t i = 0; i < menu->items.size(); ++i)
        if (!menu->items[i].popup && menu->items[i].id == position)
            return static_cast<int>(i);
    return -1;
}

} // namespace

bool InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t idOrPopup, const char* text) {
    if (!menu)
        return false;
    MenuItem item;
    item.text = text ? text : "";
    if (flags & MF_POPUP) {
        item.popup = reinterpret_cast<HMENU>(idOrPopup);
        if (!item.popup || item.popup == menu)
            return false;
    } else {
        item.id = static_cast<UINT>(idOrPopup);
    }
    std::size_t at = menu->items.size();
    if (flags & MF_BYPOSITION) {
        if (position < at)
            at = position;
    } else {
        const int found = FindItem(menu, position, flags);
        if (found >= 0)
            at = static_cast<std::size_t>(found);
    }
    menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return true;
}

bool SetMenuItemBitmaps(HMENU menu, UINT position, UINT flags, HBITMAP unchecked, HBITMAP checked) {
    const int index = FindItem(menu, position, flags);
    if (index < 0)
        return false;
    menu->items[static_cast<std::size_t>(index)].unchecked = unchecked;
    menu->items[static_cast<std::size_t>(index)].checked = checked;
    return true;
}

int GetMenuItemCount(HMENU menu) {
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    if (position < 0)
        return 0xFFFFFFFFu;
    const int index = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
    if (index < 0 || menu->items[static_cast<std::size_t>(index)].popup)
        return 0xFFFFFFFFu;
    return menu->items[static_cast<std::size_t>(index)].id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    if (position < 0)
        return nullptr;
    const int index = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
    return index < 0 ? nullptr : menu->items[static_cast<std::size_t>(index)].popup;
}

bool GetMenuItemInfo(HMENU menu, UINT position, bool byPosition, MENUITEMINFO* info) {
    const int index = FindItem(menu, position, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (index < 0 || !info)
        return false;
    const MenuItem& item = menu->items[static_cast<std::size_t>(index)];
    info->wID = item.id;
    info->hSubMenu = item.popup;
    info->hbmpChecked = item.checked;
    info->hbmpUnchecked = item.unchecked;
    info->text = item.text;
    return true;
}

} // namespace plat
