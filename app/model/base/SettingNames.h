#pragma once
// The names under which Vantrel keeps its settings: one registry key of the current user and
// its values. The application writes them; the extension reads the menu flags and "location";
// vtlmenu records "location"; vtlregistry prints them all. Registry names ignore letter case,
// so one spelling serves every reader.
//
// The names are stored data: a value renamed here is a setting lost for every user.
namespace settingkey {

// The key, under HKEY_CURRENT_USER.
constexpr const char* PATH = "Software\\Ostrell\\vtl\\setting";

// The resize parameters ("Set as default").
constexpr const char* OVERWRITE = "override";
constexpr const char* DEST = "dest";
constexpr const char* IMAGE_TYPE = "imagetype";
constexpr const char* QUALITY = "qualilty"; // spelt so since the first version
constexpr const char* RESIZE = "image_to_resize";
constexpr const char* ROTATE = "image_to_rotate";
constexpr const char* SET_DPI = "image_set_dpi";
constexpr const char* CONSTRAIN = "constraint";
constexpr const char* DESKTOP = "desktop";
constexpr const char* HEIGHT = "height";
constexpr const char* WIDTH = "width";
constexpr const char* HEIGHT_UNIT = "hpercent";
constexpr const char* WIDTH_UNIT = "wpercent";
constexpr const char* ROTATION = "rotate";
constexpr const char* X_DPI = "xdpi";
constexpr const char* Y_DPI = "ydpi";
// Added later, each absent from older files (and then at its default): the largest size of an
// output in KB (0: no limit); whether no side of a picture may grow; whether an overwritten
// source goes to the desktop's trash.
constexpr const char* MAX_KB = "maxkb";
constexpr const char* SHRINK_ONLY = "shrinkonly";
constexpr const char* TRASH = "trash";

// Which commands the file managers' menu offers, as the options sheet's "Menu Context" page
// stores them (a DWORD each, 1 when missing): the submenu; by command offset "Resize...",
// "Resize as default setting", "Resize and mail"; and whether "Resize and mail" resizes with
// the default settings (1) or opens the resize dialog (0).
constexpr const char* MENU_VANTREL = "ExtVantrel";
constexpr const char* MENU_COMMANDS[] = {"ExtResize", "ExtResizeAsDefaultSetting",
                                         "ExtResizeAndMail"};
constexpr const char* MENU_MAIL_AS_DEFAULT = "ExtResizeDefaultAndMail";
// Mail: attachments above this many MB are sent only after asking (0 never asks); whether mailed
// copies lose their location. Saved with the menu choices.
constexpr const char* MAIL_MAX_MB = "mailmaxmb";
constexpr const char* MAIL_NO_GPS = "mailnogps";
// 1 once a first start added the Thunar actions for this user.
constexpr const char* THUNAR_ACTIONS_ADDED = "ThunarActionsAdded";

// The layout and the remembered places.
constexpr const char* WINDOW_PLACE = "windowplace";
constexpr const char* CURRENT_COLUMN = "curcol";
constexpr const char* COLUMN_WIDTHS[] = {"columnwidth1", "columnwidth2", "columnwidth3",
                                         "columnwidth4"};
// How the file list shows its rows: 0 details (the columns), 1 thumbnails.
constexpr const char* LIST_VIEW = "listview";
constexpr const char* COPY_MOVE_TO = "cmto";
constexpr const char* LAST_BROWSE = "LastBrowsePIDL";
// The application's full path (REG_SZ), by which the extension finds the program to start.
constexpr const char* LOCATION = "location";

} // namespace settingkey
