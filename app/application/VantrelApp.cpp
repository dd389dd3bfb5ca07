#include "app/application/VantrelApp.h"

#include "app/application/AboutDlg.h"
#include "app/application/StartPoint.h"
#include "app/batch/DlgProcess.h"
#include "app/batch/MailPictures.h"
#include "app/batch/ReadAndResize.h"
#include "app/batch/RunNotice.h"
#include "app/model/AppSetting.h"
#include "app/model/PictureFolders.h"
#include "app/model/base/HandoffQueue.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "image/IImage.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/RegistryString.h"
#include "platform/mail/ChildProcess.h"
#include "platform/ui/MessageBox.h"

#include <QStandardPaths>

#include <cstdio>
#include <thread>

using namespace plat;
namespace {

std::string Lines(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths)
        text += "\n" + path;
    return text;
}

// Folders in the handed-over list stand for their pictures (the record counts what the file
// manager handed over, not what a folder holds); `found` says what came of folders. False when
// the command ends here: no pictures found, or the person said no.
bool TakeFolders(std::uint32_t command, FolderPictures& found) {
    CAppSetting* setting = GetAppSetting();
    std::vector<std::string> folders;
    for (const std::string& path : setting->m_listFiles)
        if (FolderExists(path))
            folders.push_back(path);
    if (folders.empty())
        return true;
    PictureList list = ExpandPictureFolders(setting->m_listFiles, setting->m_resize);
    setting->m_listFiles = std::move(list.pictures);
    if (setting->m_listFiles.empty()) {
        AfxMessageBox(std::string(folders.size() == 1
                                      ? "There are no pictures in this folder or its sub-folders:"
                                      : "There are no pictures in these folders or their "
                                        "sub-folders:") +
                          Lines(folders),
                      MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!list.unreadable.empty() &&
        AfxMessageBox(std::string(list.unreadable.size() == 1
                                      ? "This folder cannot be read, so its pictures are left out:"
                                      : "These folders cannot be read, so their pictures are "
                                        "left out:") +
                          Lines(list.unreadable) + "\n\nGo on with the other pictures?",
                      MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return false;
    found = {folders.size(), list.fromFolders};
    return command != HANDOFF_RESIZE_DEFAULT_MAIL ||
           MayMailFolderPictures(found, setting->m_listFiles.size());
}

} // namespace

CVantrelApp::CVantrelApp(std::vector<std::string> commandLine)
    : m_commandLine(std::move(commandLine)) {}

CVantrelApp::~CVantrelApp() = default;

bool CVantrelApp::InitInstance() {
    // There is no OLE to start here: the extension reaches the program through shared memory
    // and a process start, not through COM.
    SetRegistryKey("Ostrell");
    LoadStdProfileSettings(4);

    CAppSetting* setting = GetAppSetting();
    setting->m_strVersion = LoadString(IDS_VERSION);

    // The hand-off is taken before any window opens: a second start of the program finds
    // nothing waiting.
    const auto taken = ReadHandoff(setting->m_listFiles);
    if (!taken) {
        // Whatever a file manager handed over cannot reach the program while this stays: the
        // person is told which file is in the way, also when they started the program by hand.
        const std::string text =
            "Vantrel cannot take pictures from the file manager:\n" + taken.error().message;
        std::fprintf(stderr, "vtl: %s\n", text.c_str());
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    }
    const HandoffRead handoff = taken.value_or(HandoffRead{});
    if (handoff.takenElsewhere) {
        // Started for a command that a start of the program by hand ran meanwhile: nobody asked
        // for a window.
        std::fprintf(stderr,
                     "vtl: the pictures handed over were taken by another start of Vantrel\n");
        return false;
    }
    AddThunarActionsOnce();
    if (handoff.pending && RunHandoff(handoff.command))
        return true;
    return StartBrowser();
}

void CVantrelApp::AddThunarActionsOnce() {
    CAppSetting* setting = GetAppSetting();
    if (setting->m_bThunarActionsAdded ||
        QStandardPaths::findExecutable(QStringLiteral("thunar")).isEmpty())
        return;
    const std::string vtlmenu = SplitPath(GetModuleFileName()).dir + "vtlmenu";
    if (!FileExists(vtlmenu))
        return;
    // Remembered first: settings that cannot be written would have them added at every start,
    // also after the user removed them.
    setting->m_bThunarActionsAdded = 1;
    if (const auto saved = setting->SaveThunarActionsAdded(); !saved) {
        setting->m_bThunarActionsAdded = 0;
        std::fprintf(stderr, "vtl: the Thunar actions were not added: %s\n",
                     saved.error().message.c_str());
        return;
    } else if (!saved->notice.empty()) {
        std::fprintf(stderr, "vtl: %s\n", saved->notice.c_str());
    }
    const ChildExit run = RunProgramAndWait(vtlmenu, {vtlmenu, "--thunar"});
    if (!run.exited || run.status != 0)
        std::fprintf(
            stderr,
            "vtl: %s --thunar could not add the Thunar actions; \"%s --register\" adds them\n",
            vtlmenu.c_str(), vtlmenu.c_str());
}

bool CVantrelApp::RunHandoff(std::uint32_t command) {
    if (command > HANDOFF_RESIZE_DEFAULT_MAIL)
        return false;
    FolderPictures found;
    if (!TakeFolders(command, found))
        return true;
    if (command == HANDOFF_RESIZE_DIALOG) {
        ReadAndResize(nullptr, found);
        WaitForRunNotices();
        return true;
    }
    // Building the progress dialog takes as long as starting the image library and reading the
    // first picture's header: done meanwhile, the pass begins that much sooner.
    const std::vector<std::string>& files = GetAppSetting()->m_listFiles;
    std::jthread warmUp;
    if (!files.empty())
        warmUp = std::jthread([first = files.front()] { IImage(0).LoadImageInfo(first); });
    CDlgProcess process(nullptr);
    process.m_nMode = PROCESS_RESIZE;
    process.m_bMail = command == HANDOFF_RESIZE_DEFAULT_MAIL;
    if (process.DoModal() == IDOK && process.m_bMail)
        MailPictures();
    WaitForRunNotices();
    return true;
}

bool CVantrelApp::StartBrowser() {
    CAppSetting* setting = GetAppSetting();
    const StartPoint start = FindStartPoint(m_commandLine);
    // Both the address box and the list open on the remembered location.
    if (!start.folder.empty())
        setting->SetLastBrowse(start.folder);

    // The document, shared by the two panes, lives in the frame; the panes take the place of
    // the document's own view.
    m_pMainWnd = std::make_unique<CMainFrame>([this](int id) { return OnCmdMsg(id); });
    m_pMainWnd->LoadFrame();
    if (setting->m_bPlacementLoaded)
        m_pMainWnd->SetWindowPlacement(setting->m_wndPlacement);
    m_pMainWnd->show();
    m_pMainWnd->setWindowTitle(QString::fromStdString(LoadString(IDS_APP_TITLE)));

    m_pMainWnd->OpenAt(start);
    return true;
}

int CVantrelApp::ExitInstance() {
    // The main window goes first: one that was not closed saves its list's column widths as it
    // is destroyed.
    m_pMainWnd.reset();
    return 0;
}

bool CVantrelApp::OnCmdMsg(int id) {
    if (id != ID_APP_ABOUT)
        return false;
    OnAppAbout();
    return true;
}

void CVantrelApp::OnAppAbout() {
    CAboutDlg about(nullptr);
    about.DoModal();
}

void CVantrelApp::SetRegistryKey(const std::string& company) {
    m_profileKey = "Software\\" + company + "\\" + LoadString(IDS_APP_TITLE);
}

void CVantrelApp::LoadStdProfileSettings(unsigned maxRecentFiles) {
    HKEY key = nullptr;
    const std::string section = m_profileKey + "\\Recent File List";
    if (RegOpenKeyEx(HKEY_CURRENT_USER, section.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    m_recentFiles.clear();
    for (unsigned i = 1; i <= maxRecentFiles; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (auto path = RegQueryPathString(key, name.c_str()); path && !path->empty())
            m_recentFiles.push_back(std::move(*path));
    }
    RegCloseKey(key);
}
