#pragma once
// Symbolic ids of the application's resources: dialog templates (IDD_), controls (IDC_) and
// strings (IDS_), with the numbers the templates and the string table use. A control's symbolic
// id is also its widget's objectName, which is how tests and VTL_AUTOCLICK find it. The standard
// buttons IDOK (1) and IDCANCEL (2) come from platform/ui/MessageBox.h.

// Dialog templates
constexpr int IDD_PROCESS = 154;
constexpr int IDD_CONFIRM = 156;

// Controls
constexpr int IDC_PROGRESS = 1031;
constexpr int IDC_TEXT = 1032; // the status line of the progress dialog, the file of a question
constexpr int IDC_YESTOALL = 1043;
constexpr int IDC_YES = 1044;
constexpr int IDC_NO = 1045;
constexpr int IDC_NOTOALL = 1046;
constexpr int IDC_QUESTION = 1054;

// Strings
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_IDLE_MESSAGE = 57345;
constexpr int IDS_INDICATOR_CAPS = 59137;
constexpr int IDS_INDICATOR_NUM = 59138;
constexpr int IDS_INDICATOR_SCRL = 59139;
constexpr int IDS_ADDRESS = 61446;
constexpr int IDS_SELECT_DEST_FOLDER = 61447;
constexpr int IDS_VERSION = 61449;
