#pragma once
// Item identifier lists (PIDLs) in the Windows byte layout: a sequence of items, each starting
// with a 16-bit little-endian byte count that includes the count itself, ended by a zero count.
// The empty list (just the zero count) names the desktop.
//
// Our items hold one kind byte after the count, then the item's name bytes:
//   SHITEM_VIRTUAL  a virtual folder of the desktop ("Home", "Documents", "Computer")
//   SHITEM_MOUNT    a mounted file system under Computer, named by its absolute path
//   SHITEM_ENTRY    a directory entry, named by its exact file-name bytes
// so a folder named "Home" on the desktop never equals the virtual Home.
//
// A list is read byte by byte: its counts may lie at odd addresses. Plain functions on memory
// the caller owns; any thread.
#include "platform/WinTypes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using USHORT = std::uint16_t;

struct ITEMIDLIST; // only ever reached through the byte functions below
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

enum : BYTE { SHITEM_VIRTUAL = 1, SHITEM_MOUNT = 2, SHITEM_ENTRY = 3 };

// The byte count of the list's first item; 0 at the terminator.
USHORT ILItemSize(LPCITEMIDLIST item);
// The item after the first one; null for a null list or at the terminator.
LPCITEMIDLIST ILGetNext(LPCITEMIDLIST item);
// 2 plus the sum of the item counts; 0 for a null list.
std::size_t ILGetSize(LPCITEMIDLIST pidl);
// The number of items before the terminator; 0 for a null list.
unsigned ILGetCount(LPCITEMIDLIST pidl);

// One item as our namespace reads it.
struct ShellItem {
    BYTE kind = 0;
    std::string_view name;
};

// The items of a list, viewing its memory; an item too short to hold a kind byte is kept with
// kind 0, which no folder knows.
std::vector<ShellItem> ILSplit(LPCITEMIDLIST pidl);
// Appends one item (count, kind, name) to a list's item bytes, which hold no terminator.
// False, changing nothing, for a name that does not fit a 16-bit count.
bool ILAppendItem(std::string& items, BYTE kind, std::string_view name);
// The item bytes of a list, without its terminator.
std::string ILItemBytes(LPCITEMIDLIST pidl);

} // namespace plat
