#include "app/core/VantrelApp.h"

#include "app/batch/DlgProcess.h"
#include "app/batch/DlgResize.h"
#include "app/batch/MailPictures.h"
#include "app/core/AboutDlg.h"
#include "app/core/AppSetting.h"
#include "app/core/HandoffBlock.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "image/IImage.h"
#include "platform/Registry.h"
#include "platform/ui/MessageBox.h"

#include <cstdio>
#include <thread>

using namespace plat;

bool CVantrelApp::InitInstance() {
    // There is no OLE to start here: the extension reaches the program through shared memory
    // and a process start, not through COM.
    SetRegistryKey("Ostrell");
    LoadStdProfileSettings(4);

    CAppSetting* setting = GetAppSetting();
    setting->m_strVersion = LoadString(IDS_VERSION);

    // The hand-off is read, and so consumed, before any window opens: a second start of the
    // program finds nothing pending.
    bool pending = false;
    std::string refusal;
    const std::uint32_t command = ReadHandoff(setting->m_listFiles, &pending, &refusal);
    if (!refusal.empty()) {
        // Whatever a file manager handed over cannot reach the program while this stays: the
        // person is told which file is in the way, also when they started the program by hand.
        const std::string text = "Vantrel cannot take pictures from the file manager:\n" + refusal;
        std::fprintf(stderr, "vtl: %s\n", text.c_str());
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    }
    if (pending && RunHandoff(command))
        return true;
    return StartBrowser();
}

bool CVantrelApp::RunHandoff(std::uint32_t command) {
    if (command > HANDOFF_RESIZE_DEFAULT_MAIL)
        return false;
    // Building the progress dialog takes as long as starting the image library and reading the
    // first picture's header: done meanwhile, the pass begins that much sooner.
    const std::vector<std::string>& files = GetAppSetting()->m_listFiles;
    std::jthread warmUp;
    if (!files.empty())
        warmUp = std::jthread([first = files.front()] { IImage(0).LoadImageInfo(first); });
    CDlgProcess process(nullptr);
    switch (command) {
    case HANDOFF_RESIZE_DIALOG:
        process.m_nMode = PROCESS_READ;
        if (process.DoModal() == IDOK) {
            CDlgResize resize(nullptr);
            resize.m_nWidth = process.m_nWidth;
            resize.m_nHeight = process.m_nHeight;
            resize.m_nXDpi = process.m_nXDpi;
            resize.m_nYDpi = process.m_nYDpi;
            resize.DoModal();
        }
        break;
    case HANDOFF_RESIZE_DEFAULT:
        process.m_nMode = PROCESS_RESIZE;
        process.DoModal();
        break;
    case HANDOFF_RESIZE_DEFAULT_MAIL:
        process.m_nMode = PROCESS_RESIZE;
        process.m_bMail = 1;
        if (process.DoModal() == IDOK)
            MailPictures();
        break;
    }
    return true;
}

bool CVantrelApp::StartBrowser() {
    std::printf("Vantrel %s: the picture browser is not part of this build; it runs the file manager's "
                "commands only.\n",
                GetAppSetting()->m_strVersion.c_str());
    return false;
}

int CVantrelApp::ExitInstance() { return 0; }

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
        char path[MAX_PATH] = "";
        DWORD size = sizeof path;
        DWORD type = 0;
        const std::string name = "File" + std::to_string(i);
        if (RegQueryValueEx(key, name.c_str(), &type, reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
            type == REG_SZ && path[0] && strnlen(path, size) < sizeof path)
            m_recentFiles.emplace_back(path);
    }
    RegCloseKey(key);
}
