#pragma once
// SHGetFileInfo and SHGetSpecialFolderLocation over our namespace.
//
// Icons are named by an index into the system image list, as on Windows: a fixed index per
// kind of icon, so every JPEG shares one entry. Indexes below SHICON_FIRST_TYPE are the fixed
// kinds; each file type (MIME type) gets the next free index the first time it is asked for.
// The pictures themselves live in platform_ui (SystemImageList.h), fetched only when drawn.
// Type names come from the MIME database, matched by file name only: no file is opened.
//
// Any thread.
#include "platform/shell/ShellMalloc.h"
#include "platform/shell/ShellNamespace.h"

#include <string>

namespace plat {

using UINT = unsigned int;

enum : UINT {
    SHGFI_SMALLICON = 0x1,
    SHGFI_OPENICON = 0x2,
    SHGFI_USEFILEATTRIBUTES = 0x10,
    SHGFI_DISPLAYNAME = 0x200,
    SHGFI_TYPENAME = 0x400,
    SHGFI_SYSICONINDEX = 0x4000,
};

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

// The fixed icon indexes; SHICON_FOLDER is the closed folder (3, as on Windows).
enum : int {
    SHICON_FILE = 0,
    SHICON_DESKTOP = 1,
    SHICON_HOME = 2,
    SHICON_FOLDER = 3,
    SHICON_FOLDER_OPEN = 4,
    SHICON_DOCUMENTS = 5,
    SHICON_COMPUTER = 6,
    SHICON_DRIVE = 7,
    SHICON_FIRST_TYPE = 8,
};

struct SHFILEINFO {
    int iIcon = 0;
    std::string szDisplayName;
    std::string szTypeName;
};

// What the shell knows of the item an absolute list names, as the SHGFI_ flags ask (the icon
// is SHGFI_SYSICONINDEX's index, the same in the small and the large list).
// False for a list that names nothing.
bool SHGetFileInfo(LPCITEMIDLIST pidl, SHFILEINFO* psfi, UINT flags);
// The same for a path. With SHGFI_USEFILEATTRIBUTES the path is not looked at beyond its
// name: FILE_ATTRIBUTE_DIRECTORY in `fileAttributes` makes it a folder.
bool SHGetFileInfo(const std::string& path, DWORD fileAttributes, SHFILEINFO* psfi, UINT flags);

// The MIME type behind a type icon index; "" for the fixed indexes and unknown ones.
std::string ShellIconMimeType(int index);

enum : int { CSIDL_DESKTOP = 0, CSIDL_CONTROLS = 3, CSIDL_PERSONAL = 5, CSIDL_DRIVES = 17 };

// The list of a special folder: the desktop (empty), Computer, Documents, and for the Control
// Panel, which we do not have, a list that no folder ever lists or parses.
HRESULT SHGetSpecialFolderLocation(int csidl, LPITEMIDLIST* ppidl);

} // namespace plat
