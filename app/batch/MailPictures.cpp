#include "app/batch/MailPictures.h"

#include "app/model/AppSetting.h"
#include "app/model/GpsRemoval.h"
#include "app/model/MailFolder.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/ReplaceFile.h"
#include "platform/desktop/DesktopMail.h"
#include "platform/mail/MailProgram.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/StopSignals.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// How one message went: through VTL_MAIL_COMMAND's program (`command`), else by the route of
// `delivery`.
struct SendResult {
    bool command = false;
    ULONG result = MAPI_E_FAILURE;
    MailDelivery delivery;
    bool Handed() const {
        return result == SUCCESS_SUCCESS && (command || delivery.route != MailRoute::Folder);
    }
};

// One message on its way to the mail program: the mail command's library and send entry when
// VTL_MAIL_COMMAND names one, the attachments' paths and the texts, which the message points
// into, and the private folder of the copies made without their location. It belongs to the
// thread that sends it, so nothing of the settings is read while the mail program is open.
class COutgoing {
  public:
    COutgoing(HMAILLIB library, LPMAPISENDMAIL send) : m_library(library), m_send(send) {}
    ~COutgoing() {
        FreeMailLibrary(m_library);
        std::error_code ec;
        if (!m_copies.Folder().empty())
            std::filesystem::remove_all(m_copies.Folder(), ec);
    }
    COutgoing(const COutgoing&) = delete;
    COutgoing& operator=(const COutgoing&) = delete;

    std::size_t Count() const { return m_paths.size(); }
    const std::string& Subject() const { return m_subject; }
    const std::string& Body() const { return m_body; }

    // Takes the pictures that exist of `list`; without their location when `noGps`, the run's own
    // copies (`ours`) changed in place, the person's pictures copied first. Then the texts.
    void Take(const std::vector<std::string>& list, bool ours, bool noGps,
              const std::string& subject, const std::string& body) {
        for (const std::string& path : list)
            if (FileExists(path))
                if (std::optional<std::string> mailed = noGps ? WithoutGps(path, ours) : path)
                    m_paths.push_back(*mailed);
        m_subject = WithAttachmentNames(subject, m_paths);
        m_body = WithAttachmentNames(body, m_paths);
    }

    // Whether the person agrees to mail more than `maxMb` MB (0: never asked).
    bool SizeAccepted(std::int32_t maxMb) const {
        constexpr double kMb = 1024.0 * 1024.0;
        std::uintmax_t bytes = 0;
        std::error_code ec;
        for (const std::string& path : m_paths)
            bytes += std::filesystem::file_size(path, ec) * !ec;
        if (maxMb <= 0 || bytes <= static_cast<std::uintmax_t>(maxMb) * kMb)
            return true;
        char size[32];
        std::snprintf(size, sizeof size, "%.1f", static_cast<double>(bytes) / kMb);
        return AfxMessageBox("The " + std::to_string(m_paths.size()) + " pictures come to " + size +
                                 " MB, more than the " + std::to_string(maxMb) +
                                 " MB that many mail servers accept. Send them anyway?",
                             MB_YESNO | MB_ICONQUESTION) == IDYES;
    }

    // Hands the message on and waits until the person has sent or discarded it (or it is kept in
    // a folder). Each attachment's full path is both its path and its file name, kept whole,
    // never cut to a fixed slot.
    SendResult Send() {
        if (!m_send) {
            SendResult sent;
            sent.delivery = DeliverMail(m_subject, m_body, m_paths);
            sent.result = sent.delivery.result;
            return sent;
        }
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
        return {true, m_send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0), {}};
    }

  private:
    // `path` as it is mailed without its location: itself when it has none; else the run's own
    // copy changed in place, or a copy of the person's picture. Nothing when that cannot be
    // written: the picture is then not mailed rather than mailed with its location.
    std::optional<std::string> WithoutGps(const std::string& path, bool ours) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return path; // an unreadable file is the mail layer's to report
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!RemoveGps(bytes))
            return path;
        const PathParts parts = SplitPath(path);
        const plat::Result<std::string> target =
            ours ? plat::Result<std::string>(path) : m_copies.Reserve(parts.fname, parts.ext);
        if (target && ReplaceFileContents(*target, bytes, DefaultFileMode()))
            return *target;
        AfxMessageBox("The location could not be removed from " + path + ", so it is not mailed.",
                      MB_OK | MB_ICONEXCLAMATION);
        return std::nullopt;
    }

    HMAILLIB m_library;
    LPMAPISENDMAIL m_send;
    std::vector<std::string> m_paths;
    std::string m_subject;
    std::string m_body;
    CMailFolder m_copies;
};

// With VTL_MAIL_COMMAND set, loads the mail library and finds its send entry, telling the person
// when either is missing; else the desktop's routes take the message. Then takes `list` (a
// listed file that does not exist, because its save failed, is left out, so the other pictures
// still reach the message; `ours` when the files are the run's own copies), the texts of the
// settings, and asks before mailing more than the settings' size.
std::unique_ptr<COutgoing> Prepare(const std::vector<std::string>& list, bool ours) {
    HMAILLIB library = nullptr;
    LPMAPISENDMAIL sendMail = nullptr;
    if (MailCommandIsSet()) {
        library = LoadMailLibrary();
        if (!library) {
            AfxMessageBox(AFX_IDP_FAILED_MAPI_LOAD, MB_OK | MB_ICONEXCLAMATION);
            return nullptr;
        }
        sendMail = GetMailProcAddress(library, "MAPISendMail");
        if (!sendMail) {
            FreeMailLibrary(library);
            AfxMessageBox(AFX_IDP_INVALID_MAPI_DLL, MB_OK | MB_ICONEXCLAMATION);
            return nullptr;
        }
    }
    auto outgoing = std::make_unique<COutgoing>(library, sendMail);
    const CAppSetting* setting = GetAppSetting();
    outgoing->Take(list, ours, setting->m_bMailNoGps != 0, FieldText(setting->m_szMailSubject),
                   FieldText(setting->m_szMailBody));
    if (!outgoing->SizeAccepted(setting->m_nMailMaxMb))
        return nullptr;
    return outgoing;
}

// The subject and body as one text for the clipboard.
std::string MessageText(const COutgoing& outgoing) {
    if (outgoing.Subject().empty() || outgoing.Body().empty())
        return outgoing.Subject() + outgoing.Body();
    return outgoing.Subject() + "\n\n" + outgoing.Body();
}

// What the person is told of a send that got as far as a mail program or the folder.
void Report(const SendResult& sent, const COutgoing& outgoing, QWidget* owner) {
    if (!sent.command && sent.delivery.route == MailRoute::Folder) {
        if (sent.result == SUCCESS_SUCCESS) {
            const QString folder = QString::fromStdString(sent.delivery.folder);
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
            QApplication::clipboard()->setText(QString::fromStdString(MessageText(outgoing)));
            AfxMessageBox("No mail program could take the pictures, so they are kept in " +
                              sent.delivery.folder +
                              ". Attach them to a new message by hand; its subject and text are on "
                              "the clipboard.",
                          MB_OK | MB_ICONINFORMATION);
        } else {
            AfxMessageBox("No mail program could take the pictures, and they could not all be "
                          "kept in " +
                              (sent.delivery.folder.empty() ? std::string("your Pictures folder")
                                                            : sent.delivery.folder) +
                              ".",
                          MB_OK | MB_ICONEXCLAMATION);
        }
    } else if (sent.result == MAPI_E_TOO_MANY_FILES) {
        AfxMessageBox("These " + std::to_string(outgoing.Count()) +
                          " pictures are too many for one mail: a program can be started with at "
                          "most " +
                          std::to_string(MailArgumentLimit()) +
                          " bytes of file names and text on this system. Please mail fewer "
                          "pictures at a time.",
                      MB_OK | MB_ICONEXCLAMATION);
    } else if (sent.result != SUCCESS_SUCCESS && sent.result != MAPI_USER_ABORT &&
               sent.result != MAPI_E_LOGIN_FAILURE) {
        AfxMessageBox(AFX_IDP_FAILED_MAPI_SEND, MB_OK | MB_ICONEXCLAMATION);
    }
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
    const bool ours = !setting->m_listMailFiles.empty();
    const std::unique_ptr<COutgoing> outgoing =
        Prepare(ours ? setting->m_listMailFiles : setting->m_listFiles, ours);
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
    SendResult sent;
    std::thread sender([&] {
        sent = outgoing->Send();
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
    Report(sent, *outgoing, owner);
    DiscardMailFiles();
    return sent.Handed();
}

void MailPicturesInBackground(QWidget* window, std::function<void(bool handed)> done) {
    std::shared_ptr<COutgoing> outgoing = Prepare(GetAppSetting()->m_listFiles, false);
    if (!outgoing) {
        done(false);
        return;
    }
    const std::shared_ptr<CSendWatch::Link> link = (new CSendWatch(window))->GetLink();
    std::thread([outgoing, link, done = std::move(done)] {
        const SendResult sent = outgoing->Send();
        std::lock_guard lock(link->lock);
        if (CSendWatch* watch = link->watch)
            QMetaObject::invokeMethod(
                watch,
                [watch, sent, outgoing, done] {
                    Report(sent, *outgoing, SafeOwner());
                    done(sent.Handed());
                    watch->deleteLater();
                },
                Qt::QueuedConnection);
    }).detach();
}

bool MayMailFolderPictures(const FolderPictures& found, std::size_t nPictures) {
    constexpr std::size_t kMailWithoutAsking = 50;
    if (found.nPictures <= kMailWithoutAsking)
        return true;
    return plat::AfxMessageBox(
               std::string(found.nFolders == 1 ? "The folder holds " : "The folders hold ") +
                   std::to_string(nPictures) +
                   " pictures. Resize all of them and mail them in one message?",
               plat::MB_YESNO | plat::MB_ICONQUESTION) == plat::IDYES;
}
