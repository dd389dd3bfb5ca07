#include "app/batch/MailPictures.h"

#include "app/model/AppSetting.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/StopSignals.h"

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QPointer>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
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

namespace {

// One message on its way to the mail program: the library and its send entry, and copies of
// the attachments' paths and the texts, which the message points into. It belongs to the
// thread that sends it, so nothing of the settings is read while the mail program is open.
class COutgoing {
  public:
    COutgoing(HMAILLIB library, LPMAPISENDMAIL send, std::vector<std::string> paths,
              std::string subject, std::string body)
        : m_library(library), m_send(send), m_paths(std::move(paths)),
          m_subject(std::move(subject)), m_body(std::move(body)) {}
    ~COutgoing() { FreeMailLibrary(m_library); }
    COutgoing(const COutgoing&) = delete;
    COutgoing& operator=(const COutgoing&) = delete;

    std::size_t Count() const { return m_paths.size(); }

    // Hands the message to the mail program and waits until the person has sent or discarded
    // it. Each attachment's full path is both its path and its file name, kept whole, never cut
    // to a fixed slot.
    ULONG Send() {
        std::vector<MapiFileDesc> files(m_paths.size());
        for (std::size_t i = 0; i < m_paths.size(); ++i) {
            files[i].nPosition = 0xFFFFFFFF; // not placed in the text
            files[i].lpszPathName = m_paths[i].data();
            files[i].lpszFileName = m_paths[i].data();
        }
        MapiMessage message{};
        message.nFileCount = static_cast<ULONG>(files.size());
        message.lpFiles = files.empty() ? nullptr : files.data();
        message.lpszSubject = m_subject.empty() ? nullptr : m_subject.data();
        message.lpszNoteText = m_body.empty() ? nullptr : m_body.data();
        return m_send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    }

  private:
    HMAILLIB m_library;
    LPMAPISENDMAIL m_send;
    std::vector<std::string> m_paths;
    std::string m_subject;
    std::string m_body;
};

// Loads the mail library and finds its send entry, telling the person when either is missing;
// then takes `list` (a listed file that does not exist, because its save failed, is left out,
// so the other pictures still reach the message) and the texts of the settings.
std::unique_ptr<COutgoing> Prepare(const std::vector<std::string>& list) {
    HMAILLIB library = LoadMailLibrary();
    if (!library) {
        AfxMessageBox(AFX_IDP_FAILED_MAPI_LOAD, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    const LPMAPISENDMAIL sendMail = GetMailProcAddress(library, "MAPISendMail");
    if (!sendMail) {
        FreeMailLibrary(library);
        AfxMessageBox(AFX_IDP_INVALID_MAPI_DLL, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    std::vector<std::string> paths;
    for (const std::string& path : list)
        if (FileExists(path))
            paths.push_back(path);
    const CAppSetting* setting = GetAppSetting();
    std::string subject = WithAttachmentNames(FieldText(setting->m_szMailSubject), paths);
    std::string body = WithAttachmentNames(FieldText(setting->m_szMailBody), paths);
    return std::make_unique<COutgoing>(library, sendMail, std::move(paths), std::move(subject),
                                       std::move(body));
}

// What the person is told of a send that got as far as the mail program.
void Report(ULONG result, std::size_t count, QWidget* owner) {
    if (result == MAPI_E_TOO_MANY_FILES)
        AfxMessageBox("These " + std::to_string(count) +
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
}

// The one who is told how a send in the background went: made on the user-interface thread
// with the window it reports to, and gone with it. The sending thread reaches it only through
// `Link`, under its lock.
class CSendWatch : public QObject {
  public:
    struct Link {
        std::mutex lock;
        CSendWatch* watch = nullptr;
    };

    explicit CSendWatch(QObject* window) : QObject(window), m_link(std::make_shared<Link>()) {
        m_link->watch = this;
    }
    ~CSendWatch() override {
        std::lock_guard lock(m_link->lock);
        m_link->watch = nullptr;
    }
    CSendWatch(const CSendWatch&) = delete;
    CSendWatch& operator=(const CSendWatch&) = delete;

    std::shared_ptr<Link> GetLink() const { return m_link; }

  private:
    std::shared_ptr<Link> m_link;
};

} // namespace

bool MailPictures() {
    CAppSetting* setting = GetAppSetting();
    const std::unique_ptr<COutgoing> outgoing =
        Prepare(setting->m_listMailFiles.empty() ? setting->m_listFiles : setting->m_listMailFiles);
    if (!outgoing) {
        DiscardMailFiles();
        return false;
    }
    const QPointer<QWidget> owner = SafeOwner();
    // The mail program is waited for on a thread of its own. Meanwhile this thread repaints the
    // windows, shown disabled, which drop what is clicked or typed (rather than run it once the
    // mail program returns), and hears the stop signals: a kill or a logout while the mail
    // program is open removes the run's own copies and folder (the mail program has its own
    // copies, in the spool), then ends the process as the signal would.
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isEnabled()) {
            window->setEnabled(false);
            disabled.emplace_back(window);
        }
    QEventLoop wait;
    bool stopped = false;
    CStopSignals stopSignals([&] {
        stopped = true;
        wait.quit();
    });
    ULONG result = MAPI_E_FAILURE;
    std::thread sender([&] {
        result = outgoing->Send();
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec();
    for (const QPointer<QWidget>& window : disabled)
        if (window)
            window->setEnabled(true);
    if (stopped) {
        DiscardMailFiles();
        sender.detach();
        stopSignals.EndProcessIfStopped();
    }
    sender.join();
    Report(result, outgoing->Count(), owner);
    DiscardMailFiles();
    return result == SUCCESS_SUCCESS;
}

void MailPicturesInBackground(QWidget* window, std::function<void(bool handed)> done) {
    std::shared_ptr<COutgoing> outgoing = Prepare(GetAppSetting()->m_listFiles);
    if (!outgoing) {
        done(false);
        return;
    }
    const std::shared_ptr<CSendWatch::Link> link = (new CSendWatch(window))->GetLink();
    std::thread([outgoing, link, done = std::move(done)] {
        const ULONG result = outgoing->Send();
        std::lock_guard lock(link->lock);
        if (CSendWatch* watch = link->watch)
            QMetaObject::invokeMethod(
                watch,
                [watch, result, count = outgoing->Count(), done] {
                    Report(result, count, SafeOwner());
                    done(result == SUCCESS_SUCCESS);
                    watch->deleteLater();
                },
                Qt::QueuedConnection);
    }).detach();
}
