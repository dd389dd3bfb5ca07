#pragma once
// CAppSetting: the one process-wide settings object, reached through GetAppSetting().
//
// It is created at program start, before the application object initialises, and lives until
// the process ends. Its constructor loads the resize parameters, the menu flags with the mail
// texts (user.dat, see UserDataPath) and the layout from the registry key
// HKEY_CURRENT_USER\Software\Ostrell\vtl\setting. Saves happen only at the named save points
// (the resize dialog's "Set as default", the options sheet's OK, the closing of the main window
// and of the file list). Loading never writes: the settings key is made by the first save.
// Each save writes its group in one rewrite of the settings file, checks every write, and
// says when it failed; a settings file that cannot be read is never replaced, and one that is
// not a settings file is kept beside before it is.
//
// Threads: the user-interface thread owns it. The resize job takes copies of the resize
// parameters and the files and never reaches it; while the reading pass runs, its worker reads
// m_listFiles and writes m_bJpegInSelection, and the user-interface thread changes nothing.
#include "app/model/base/ResizeSetting.h"
#include "platform/Result.h"
#include "platform/shell/PidlHelper.h"

#include <cstdint>
#include <string>
#include <vector>

// The window placement as the 11 numbers the layout stores, in this order.
struct WINDOWPLACEMENT {
    std::int32_t length = 0;
    std::int32_t flags = 0;
    std::int32_t showCmd = 0;
    std::int32_t ptMinPositionX = 0;
    std::int32_t ptMinPositionY = 0;
    std::int32_t ptMaxPositionX = 0;
    std::int32_t ptMaxPositionY = 0;
    std::int32_t rcNormalPositionLeft = 0;
    std::int32_t rcNormalPositionTop = 0;
    std::int32_t rcNormalPositionRight = 0;
    std::int32_t rcNormalPositionBottom = 0;
};

// What a save that went through has to tell the user: once, where a settings file that was not
// one was kept before the new settings replaced it; usually nothing.
struct Saved {
    std::string notice;
};

class CAppSetting {
  public:
    CAppSetting();
    virtual ~CAppSetting() = default;
    CAppSetting(const CAppSetting&) = delete;
    CAppSetting& operator=(const CAppSetting&) = delete;

    // Each save fails with one message for the user saying what could not be saved and why
    // (led by the notice, when there is one); the dialog that saved shows it, or the notice.
    void LoadResizeSetting();
    plat::Result<Saved> SaveResizeSetting();
    void LoadMenuAndMail();
    // Writes the menu flags, then user.dat.
    plat::Result<Saved> SaveMenuAndMail();
    // Remembers that a first start added the Thunar actions for this user, so that they are
    // not added again once the user has removed them.
    plat::Result<Saved> SaveThunarActionsAdded();
    void LoadLayout();
    plat::Result<Saved> SaveLayout();

    // Where user.dat lives: ${XDG_CONFIG_HOME:-~/.config}/vantrel/user.dat when that file is
    // there; else beside the running executable when its folder can be written (an install
    // into a home); else (a program installed for every user) that first place, whose folder
    // the save makes.
    static std::string UserDataPath();

    std::string m_strVersion;
    ResizeSetting m_resize;
    std::vector<std::string> m_listFiles;
    std::vector<std::string> m_listMailFiles;
    char m_szMailSubject[200] = {};
    char m_szMailBody[5000] = {};
    std::int32_t m_bExtVantrel = 1;
    std::int32_t m_bExtResize = 1;
    std::int32_t m_bExtResizeAsDefaultSetting = 1;
    std::int32_t m_bExtResizeAndMail = 1;
    std::int32_t m_bExtResizeDefaultAndMail = 1;
    // Attachments above this many MB are mailed only after the person agrees ("mailmaxmb";
    // 0 never asks), and mailed copies lose their location ("mailnogps"); saved with the menu
    // flags.
    std::int32_t m_nMailMaxMb = 20;
    std::int32_t m_bMailNoGps = 1;
    // 1 once a first start added the Thunar actions for this user ("ThunarActionsAdded", read
    // with the menu flags).
    std::int32_t m_bThunarActionsAdded = 0;
    WINDOWPLACEMENT m_wndPlacement;
    bool m_bPlacementLoaded = false;
    std::int32_t m_nCurCol = 500;
    // The list's column widths in pixels until the user drags them (-2: as wide as the header,
    // the last one filling the list).
    static constexpr std::int32_t kDefaultColumnWidth[4] = {200, 50, 100, -2};
    std::int32_t m_nColumnWidth[4] = {kDefaultColumnWidth[0], kDefaultColumnWidth[1],
                                      kDefaultColumnWidth[2], kDefaultColumnWidth[3]};
    // The file list's view ("listview"): 0 details, 1 thumbnails; saved with the layout.
    static constexpr std::int32_t kListViewDetails = 0;
    static constexpr std::int32_t kListViewThumbnails = 1;
    std::int32_t m_nListView = kListViewDetails;
    std::int32_t m_bJpegInSelection = 0;
    char m_szCopyMoveTo[260] = {};
    // The parsing name of the location the browser showed last ("" for the desktop).
    char m_szLastBrowse[260] = {};
    // The special folders: the desktop, Computer, the Control Panel (which no folder lists)
    // and Documents.
    plat::PidlPtr m_pidlDesktop;
    plat::PidlPtr m_pidlDrives;
    plat::PidlPtr m_pidlControls;
    plat::PidlPtr m_pidlPersonal;
    plat::CPidlHelper m_shell;

    // Remembers the location shown; a parsing name that does not fit m_szLastBrowse is not
    // stored, never cut (false; the previous location stays).
    bool SetLastBrowse(const std::string& parsingName);
};

// The settings object; created on first use.
CAppSetting* GetAppSetting();
