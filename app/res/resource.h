#pragma once
// Symbolic ids of the application's resources: dialog templates (IDD_), controls (IDC_) and
// strings (IDS_), with the numbers the templates and the string table use. A control's symbolic
// id is also its widget's objectName, which is how tests and VTL_AUTOCLICK find it. The standard
// buttons IDOK (1) and IDCANCEL (2) come from platform/ui/MessageBox.h.

// Dialog templates
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_OPTION_MAIL = 107;
constexpr int IDD_RESIZE = 130;
constexpr int IDD_PROCESS = 154;
constexpr int IDD_OPTION_MENU_CONTEXT = 155;
constexpr int IDD_CONFIRM = 156;

// The main window's icon, menu and accelerator table
constexpr int IDR_MAINFRAME = 128;

// Bitmaps
constexpr int IDB_ROTATE_LEFT = 131;
constexpr int IDB_FLIP = 132;
constexpr int IDB_ROTATE_RIGHT = 133;
constexpr int IDB_TOOLBAR = 148; // the main toolbar's six 64 x 44 pictures
constexpr int IDB_NAVBAR = 161;  // Up Folder and Refresh, 22 x 20

// Commands of the main window's menu, toolbars and accelerator. A command's status-bar prompt
// and tooltip are the string of the same id ("prompt\ntooltip").
constexpr int ID_MARK = 32773;
constexpr int ID_RESIZE = 32774;
constexpr int ID_MOVE_TO = 32776;
constexpr int ID_MAIL_TO = 32777;
constexpr int ID_OPTION = 32787;
constexpr int ID_MAIL_TO_ME = 32789;
constexpr int ID_BUG_REPORT = 32791;
constexpr int ID_VISIT_WEB = 32793;
constexpr int ID_UP_FOLDER = 32797;
constexpr int ID_REFRESH = 32798;
constexpr int ID_CHECK_VERSION = 32802;
constexpr int ID_MARK_ALL = 32810;
constexpr int ID_CLEAR_MARKS = 32811;
constexpr int ID_INVERT_MARKS = 32812;
constexpr int ID_VIEW_THUMBNAILS = 32830;
constexpr int ID_VIEW_DETAILS = 32831;
constexpr int ID_EDIT_COPY = 57634; // Copy To
constexpr int ID_EDIT_SELECT_ALL = 57642;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;

// Controls
constexpr int IDC_STATIC = 65535; // a label or frame that no code addresses
constexpr int IDC_RESIZE_CANCEL = 1002;
constexpr int IDC_RESIZE_RUN = 1003;
constexpr int IDC_SET_DEFAULT = 1004;
constexpr int IDC_DEST_IN_FOLDER = 1005;
constexpr int IDC_DEST_OVERWRITE = 1006;
constexpr int IDC_DEST_FOLDER = 1007;
constexpr int IDC_BROWSE = 1008;
constexpr int IDC_SAVE_TYPE = 1009;
constexpr int IDC_QUALITY = 1010;
constexpr int IDC_CONSTRAIN = 1011;
constexpr int IDC_RESIZE_AS = 1012;
constexpr int IDC_RESIZE_WIDTH = 1013;
constexpr int IDC_RESIZE_HEIGHT = 1014;
constexpr int IDC_WIDTH_UNIT = 1015;
constexpr int IDC_HEIGHT_UNIT = 1016;
constexpr int IDC_RESIZE_DESKTOP = 1017;
constexpr int IDC_DO_RESIZE = 1018;
constexpr int IDC_DO_ROTATE = 1019;
constexpr int IDC_ROTATE_LEFT = 1020;
constexpr int IDC_FLIP = 1021;
constexpr int IDC_ROTATE_RIGHT = 1022;
constexpr int IDC_QUALITY_TEXT = 1023;
constexpr int IDC_ABOUT_NAME = 1026;
constexpr int IDC_PROGRESS = 1031;
constexpr int IDC_TEXT = 1032; // the status line of the progress dialog, the file of a question
constexpr int IDC_MENU_VANTREL = 1035;
constexpr int IDC_MENU_RESIZE = 1036;
constexpr int IDC_MENU_RESIZE_DEFAULT = 1037;
constexpr int IDC_MENU_RESIZE_MAIL = 1038;
constexpr int IDC_MENU_MAIL_DEFAULT = 1039;
constexpr int IDC_MENU_MAIL_DIALOG = 1040;
constexpr int IDC_MAIL_SUBJECT = 1041;
constexpr int IDC_MAIL_BODY = 1042;
constexpr int IDC_YESTOALL = 1043;
constexpr int IDC_YES = 1044;
constexpr int IDC_NO = 1045;
constexpr int IDC_NOTOALL = 1046;
constexpr int IDC_RESIZE_MAIL = 1053;
constexpr int IDC_QUESTION = 1054;
constexpr int IDC_DO_DPI = 1055;
constexpr int IDC_NEW_XDPI = 1056;
constexpr int IDC_NEW_YDPI = 1057;
constexpr int IDC_SIZE_INFO = 1058;
constexpr int IDC_ROTATE_INFO = 1059;
constexpr int IDC_DPI_INFO = 1060;
constexpr int IDC_VERSION = 1061;
constexpr int IDC_MAIL_MAX_MB = 1062;
constexpr int IDC_MAIL_NO_GPS = 1063;
constexpr int IDC_MAX_KB = 1064;        // "Limit each file to [ ] KB"
constexpr int IDC_SHRINK_ONLY = 1065;   // "Never enlarge"
constexpr int IDC_KEEP_IN_TRASH = 1066; // "Keep replaced originals in the trash"

// Strings
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_IDLE_MESSAGE = 57345;
constexpr int IDS_INDICATOR_CAPS = 59137;
constexpr int IDS_INDICATOR_NUM = 59138;
constexpr int IDS_INDICATOR_SCRL = 59139;
constexpr int IDS_ADDRESS = 61446;
constexpr int IDS_SELECT_DEST_FOLDER = 61447;
constexpr int IDS_VERSION = 61449;
