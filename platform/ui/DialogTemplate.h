#pragma once
// A dialog template as data: the dialog's caption, size, font and style, and its controls in
// template order, each with its id, symbolic name, kind, text and rectangle. Sizes and
// positions are in dialog units (a quarter of the font's average character width across, an
// eighth of its height down), so the layout scales with the font as on Windows.
//
// Templates are constant data defined by the application's resources (and by the few dialogs
// of this layer itself) and read by CDialogBuilder on the user-interface thread.
#include <string>
#include <vector>

class QWidget;

namespace plat {

enum class CtlKind {
    PushButton,
    DefPushButton, // the dialog's default button: Enter presses it
    Static,        // text; left-aligned and word-wrapped unless a style says otherwise
    Edit,          // an edit: one line, or several with ES_MULTILINE
    CheckBox,
    RadioButton,  // automatic radio button; one group runs to the next control marked CTL_GROUP
    GroupBox,     // a frame with a title; it does not own the controls drawn inside it
    DropDownList, // a combo box whose entry cannot be typed; cy is the height of the open list
    Progress,
    Slider, // horizontal, range 0 .. 100 until the program sets another
    Custom, // made by the template entry's create function
};

// Control styles (may be combined).
enum : unsigned {
    CTL_GROUP = 0x1,     // starts a new group of radio buttons
    CTL_DISABLED = 0x2,  // created disabled
    SS_CENTER = 0x4,     // static: centred text
    SS_RIGHT = 0x8,      // static: right-aligned text
    ES_NUMBER = 0x10,    // edit: only digits can be typed
    ES_MULTILINE = 0x20, // edit: several lines of text; Return starts a new line
    WS_VSCROLL = 0x40,   // multi-line edit: a vertical scroll bar
    WS_HSCROLL = 0x80,   // multi-line edit: a horizontal scroll bar; lines are not wrapped
};

// Dialog styles (may be combined).
enum : unsigned {
    DS_CENTER = 0x1,  // centred over its owner, or on the screen when it has none
    WS_SYSMENU = 0x2, // the title bar has a close box
};

struct DLGITEMTEMPLATE {
    int id;
    const char* name; // the symbolic id; becomes the widget's objectName
    CtlKind kind;
    std::string text;
    int x, y, cx, cy;
    unsigned style = 0;
    std::vector<std::string> items = {};           // initial entries of a drop-down list
    QWidget* (*create)(QWidget* parent) = nullptr; // CtlKind::Custom only
};

// A control entry whose objectName is the symbolic id written in the entry.
#define DLGITEM(id, ...)                                                                           \
    ::plat::DLGITEMTEMPLATE {                                                                      \
        id, #id, __VA_ARGS__                                                                       \
    }

struct DLGTEMPLATE {
    int id;
    std::string caption;
    int cx, cy; // client area
    std::string fontFace;
    int fontPointSize;
    unsigned style;
    std::vector<DLGITEMTEMPLATE> items;
};

} // namespace plat
