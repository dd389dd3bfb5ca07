#pragma once
// CVantrelApp: the application object of vtl. InitInstance decides how the program runs:
// a pending hand-off from the file-manager extension runs its command through the batch
// dialogs without a main window; any other start goes on to the picture browser. A folder in
// the hand-off stands for the pictures in it and its sub-folders (PictureFolders.h); mailing
// more than 50 of those is asked first.
//
// The browser start opens the main window. Its command line ("Open with Vantrel" on pictures
// or a folder) says where: at a folder, or at the first picture's folder with the pictures
// given marked and the first selected and shown; paths that do not exist are named in one
// message, and the browser opens where it would have without them.
//
// main() creates the settings object first, then the QApplication and this object, and calls
// InitInstance on the user-interface thread.
#include "app/application/MainFrame.h"

#include <memory>
#include <string>
#include <vector>

class CVantrelApp {
  public:
    // `commandLine`: the program's arguments after its name, as given.
    explicit CVantrelApp(std::vector<std::string> commandLine = {});
    ~CVantrelApp();

    // The start-up sequence. False ends the program at once. True with no main window (the
    // hand-off modes) also ends it: there is nothing left to run.
    bool InitInstance();
    int ExitInstance();
    bool HasMainWindow() const { return m_pMainWnd != nullptr; }
    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }

    // The application's own commands (About); false for any other command.
    bool OnCmdMsg(int id);
    // The About box.
    void OnAppAbout();

    // The framework's recent-file list, read from its profile key.
    const std::vector<std::string>& RecentFiles() const { return m_recentFiles; }

  private:
    // The framework's profile lives under Software\<company>\<application>.
    void SetRegistryKey(const std::string& company);
    void LoadStdProfileSettings(unsigned maxRecentFiles);
    // Runs a handed command; false for a command that is not one of the three.
    bool RunHandoff(std::uint32_t command);
    // Thunar reads only each user's own action list, which a program installed for every user
    // cannot fill: the first start for a user with Thunar installed adds Vantrel's actions
    // (vtlmenu --thunar, beside the program) and remembers it in the settings, so that a user
    // who removes them is not given them again.
    void AddThunarActionsOnce();
    bool StartBrowser();

    std::vector<std::string> m_commandLine;
    std::string m_profileKey;
    std::vector<std::string> m_recentFiles;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
