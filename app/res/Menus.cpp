#include "app/res/Menus.h"

#include "app/res/resource.h"

#define MENUITEM(text, id)                                                                         \
    MENUITEMTEMPLATE {                                                                             \
        text, id, #id                                                                              \
    }
#define MENUSEPARATOR                                                                              \
    MENUITEMTEMPLATE {                                                                             \
        nullptr, 0, ""                                                                             \
    }

const std::vector<POPUPTEMPLATE>& MainFrameMenu() {
    static const std::vector<POPUPTEMPLATE> menu{
        {"&File",
         {MENUITEM("Up Folder", ID_UP_FOLDER), MENUITEM("Mark", ID_MARK),
          MENUITEM("Resize ...", ID_RESIZE), MENUSEPARATOR, MENUITEM("Mail To ...", ID_MAIL_TO),
          MENUSEPARATOR, MENUITEM("E&xit\tCtrl+Q", ID_APP_EXIT)}},
        {"&Edit",
         {MENUITEM("&Copy To ...", ID_EDIT_COPY), MENUITEM("Move To ...", ID_MOVE_TO),
          MENUITEM("Select All\tCtrl+A", ID_EDIT_SELECT_ALL),
          MENUITEM("Mark All Pictures", ID_MARK_ALL), MENUITEM("Clear Marks", ID_CLEAR_MARKS),
          MENUITEM("Invert Marks", ID_INVERT_MARKS), MENUITEM("Refresh", ID_REFRESH), MENUSEPARATOR,
          MENUITEM("Option ...", ID_OPTION)}},
        {"&View",
         {MENUITEM("&Toolbar", ID_VIEW_TOOLBAR), MENUITEM("&Status Bar", ID_VIEW_STATUS_BAR),
          MENUSEPARATOR, MENUITEM("T&humbnails", ID_VIEW_THUMBNAILS),
          MENUITEM("&Details", ID_VIEW_DETAILS)}},
        {"&Help",
         {MENUITEM("Visit my web", ID_VISIT_WEB),
          MENUITEM("Check the new version ...", ID_CHECK_VERSION), MENUSEPARATOR,
          MENUITEM("Mail to me", ID_MAIL_TO_ME), MENUITEM("Bug report", ID_BUG_REPORT),
          MENUSEPARATOR, MENUITEM("&About ...", ID_APP_ABOUT)}},
    };
    return menu;
}

const std::vector<ACCEL>& MainFrameAccelerators() {
    static const std::vector<ACCEL> table{{FVIRTKEY | FCONTROL, 'A', ID_EDIT_SELECT_ALL},
                                          {FVIRTKEY, VK_F5, ID_REFRESH},
                                          {FVIRTKEY | FALT, VK_UP, ID_UP_FOLDER},
                                          // A window manager may bind no key to close a window.
                                          {FVIRTKEY | FCONTROL, 'Q', ID_APP_EXIT}};
    return table;
}

const std::vector<TOOLBARBUTTON>& MainToolbar() {
    static const std::vector<TOOLBARBUTTON> buttons{
        {ID_MARK, "Mark"},       {ID_RESIZE, "Resize"},   {ID_EDIT_COPY, "Copy To"},
        {ID_MOVE_TO, "Move To"}, {ID_MAIL_TO, "Mail To"}, {ID_APP_ABOUT, "About"}};
    return buttons;
}

const std::vector<TOOLBARBUTTON>& NavigationToolbar() {
    static const std::vector<TOOLBARBUTTON> buttons{{ID_UP_FOLDER, nullptr}, {ID_REFRESH, nullptr}};
    return buttons;
}
