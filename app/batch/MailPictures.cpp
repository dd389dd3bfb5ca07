#include "app/batch/MailPictures.h"

#include "app/core/AppSetting.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace plat;

namespace {

// The framework's standard texts for mail: strings 61840, 61841 and 61842 of its table.
const char* const AFX_IDP_FAILED_MAPI_LOAD = "Unable to load mail system support.";
const char* const AFX_IDP_INVALID_MAPI_DLL = "Mail system DLL is invalid.";
const char* const AFX_IDP_FAILED_MAPI_SEND = "Send Mail failed to send message.";

// A settings text field as a string; a field without its terminating zero ends at its size.
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// The window that owns the program's dialogs: its visible main window, none in the launch
// modes that run without one.
QWidget* SafeOwner() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

} // namespace

// A file that cannot be deleted is skipped. Of the folders, only those inside the temporary
// folder and left empty go: the run's private folder, never the temporary folder itself.
void DiscardMailFiles() {
    CAppSetting* setting = GetAppSetting();
    const std::string tempFolder = GetTempPath();
    std::set<std::string> folders; // each once: the run's copies share one
    std::error_code ec;
    for (const std::string& file : setting->m_listMailFiles) {
        std::filesystem::remove(file, ec);
        std::string folder = SplitPath(file).dir;
        if (folder.size() > tempFolder.size() &&
            folder.compare(0, tempFolder.size(), tempFolder) == 0)
            folders.insert(folder);
    }
    for (const std::string& folder : folders)
        std::filesystem::remove(folder, ec); // removes only a folder that is empty
    setting->m_listMailFiles.clear();
}

std::string WithAttachmentNames(const std::string& text,
                                const std::vector<std::string>& attachments) {
    constexpr std::string_view kPlaceholder = "%F";
    if (text.find(kPlaceholder) == std::string::npos)
        return text;
    std::string names;
    for (const std::string& path : attachments) {
        const PathParts parts = SplitPath(path);
        names += (names.empty() ? "" : ", ") + parts.fname + parts.ext;
    }
    std::string replaced;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(kPlaceholder, from)) != std::string::npos;
         from = at + kPlaceholder.size())
        replaced += text.substr(from, at - from) + names;
    return replaced + text.substr(from);
}

bool MailPictures() {
    HMAILLIB library = LoadMailLibrary();
    if (!library) {
        AfxMessageBox(AFX_IDP_FAILED_MAPI_LOAD, MB_OK | MB_ICONEXCLAMATION);
        DiscardMailFiles();
        return false;
    }
    const LPMAPISENDMAIL sendMail = GetMailProcAddress(library, "MAPISendMail");
    if (!sendMail) {
        FreeMailLibrary(library);
        AfxMessageBox(AFX_IDP_INVALID_MAPI_DLL, MB_OK | MB_ICONEXCLAMATION);
        DiscardMailFiles();
        return false;
    }

    CAppSetting* setting = GetAppSetting();
    const std::vector<std::string>& list =
        setting->m_listMailFiles.empty() ? setting->m_listFiles : setting->m_listMailFiles;

    // Each attachment's full path is both its path and its file name. Paths are kept whole,
    // never cut to a fixed slot. A listed file that does not exist (its save failed) is left
    // out, so the other pictures still reach the message.
    std::vector<std::string> paths;
    for (const std::string& path : list)
        if (FileExists(path))
            paths.push_back(path);
    std::vector<MapiFileDesc> files(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        files[i].nPosition = 0xFFFFFFFF; // not placed in the text
        files[i].lpszPathName = paths[i].data();
        files[i].lpszFileName = paths[i].data();
    }

    std::string subject = WithAttachmentNames(FieldText(setting->m_szMailSubject), paths);
    std::string body = WithAttachmentNames(FieldText(setting->m_szMailBody), paths);
    MapiMessage message{};
    message.nFileCount = static_cast<ULONG>(files.size());
    message.lpFiles = files.empty() ? nullptr : files.data();
    message.lpszSubject = subject.empty() ? nullptr : subject.data();
    message.lpszNoteText = body.empty() ? nullptr : body.data();

    const QPointer<QWidget> owner = SafeOwner();
    const ULONG result = sendMail(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    if (result == MAPI_E_TOO_MANY_FILES)
        AfxMessageBox("These " + std::to_string(files.size()) +
                          " pictures are too many for one mail: a program can be started with at "
                          "most " +
                          std::to_string(MailArgumentLimit()) +
                          " bytes of file names and text on this system. Please mail fewer "
                          "pictures at a time.",
                      MB_OK | MB_ICONEXCLAMATION);
    else if (result != SUCCESS_SUCCESS && result != MAPI_USER_ABORT &&
             result != MAPI_E_LOGIN_FAILURE)
        AfxMessageBox(AFX_IDP_FAILED_MAPI_SEND, MB_OK | MB_ICONEXCLAMATION);
    if (owner)
        owner->activateWindow();
    FreeMailLibrary(library);
    DiscardMailFiles();
    return result == SUCCESS_SUCCESS;
}
