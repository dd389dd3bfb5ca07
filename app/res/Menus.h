#pragma once
// The application's menus and accelerator tables as data, in the shape of a menu resource:
// pop-up menus with their items in order, each item with its text (a tab separates the
// shortcut shown on the right), its command id and that id's symbolic name, which becomes the
// item's objectName; an item without text is a separator.
//
// Constant data, read on the user-interface thread when the main window builds its menu.
#include <vector>

struct MENUITEMTEMPLATE {
    const char* text; // null for a separator
    int id;
    const char* name;
};

struct POPUPTEMPLATE {
    const char* text;
    std::vector<MENUITEMTEMPLATE> items;
};

// An accelerator: a key (a virtual-key code, which for letters is the capital letter) with its
// modifiers, and the command it runs.
enum : unsigned char { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };
// The virtual keys of the tables that are not letters.
enum : unsigned short { VK_UP = 0x26, VK_F5 = 0x74 };

struct ACCEL {
    unsigned char fVirt;
    unsigned short key;
    int cmd;
};

// Menu IDR_MAINFRAME: the main window's menu bar.
const std::vector<POPUPTEMPLATE>& MainFrameMenu();
// Accelerator table IDR_MAINFRAME.
const std::vector<ACCEL>& MainFrameAccelerators();

// A toolbar button: its command and the label under its picture (none on a toolbar of pictures
// alone).
struct TOOLBARBUTTON {
    int id;
    const char* label;
};

// Toolbar IDB_TOOLBAR: Mark, Resize, Copy To, Move To, Mail To, About, in the order of the
// bitmap's pictures.
const std::vector<TOOLBARBUTTON>& MainToolbar();
// Toolbar IDB_NAVBAR: Up Folder and Refresh, pictures alone.
const std::vector<TOOLBARBUTTON>& NavigationToolbar();
