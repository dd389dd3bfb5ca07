#include "platform/desktop/DesktopMail.h"

#include "platform/Paths.h"
#include "platform/desktop/PortalMail.h"
#include "platform/mail/Thunderbird.h"
#include "platform/shell/ShellRoots.h"

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace plat {
namespace {

// The mail layer's own send entry, which runs xdg-email when VTL_MAIL_COMMAND is unset.
ULONG SendWithXdgEmail(const std::string& subject, const std::string& body,
                       std::vector<std::string> files) {
    HMAILLIB library = LoadMailLibrary();
    const LPMAPISENDMAIL send = GetMailProcAddress(library, "MAPISendMail");
    ULONG result = MAPI_E_FAILURE;
    if (send) {
        std::vector<MapiFileDesc> attachments;
        for (std::string& file : files)
            attachments.push_back({0, 0, 0xFFFFFFFF, file.data(), file.data(), nullptr});
        std::string subjectText = subject, bodyText = body;
        MapiMessage message{};
        message.lpszSubject = subjectText.empty() ? nullptr : subjectText.data();
        message.lpszNoteText = bodyText.empty() ? nullptr : bodyText.data();
        message.nFileCount = static_cast<ULONG>(attachments.size());
        message.lpFiles = attachments.empty() ? nullptr : attachments.data();
        result = send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    }
    FreeMailLibrary(library);
    return result;
}

// A folder made now under `parent`, named by the time, with " (2)" … when that one exists.
std::string MakeFolderNamedByTime(const std::string& parent) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
    std::error_code ec;
    fs::create_directories(parent, ec);
    for (int copy = 1; copy < 1000; ++copy) {
        const std::string folder =
            parent + "/" + stamp + (copy == 1 ? "" : " (" + std::to_string(copy) + ")");
        if (mkdir(folder.c_str(), 0755) == 0)
            return folder;
        if (errno != EEXIST)
            break;
    }
    return {};
}

} // namespace

MailDelivery KeepInPictures(const std::vector<std::string>& files) {
    MailDelivery delivery;
    const std::string pictures = UserDir("XDG_PICTURES_DIR", GetHomeFolder(), "Pictures");
    delivery.folder = MakeFolderNamedByTime(pictures + "/Vantrel mail");
    if (delivery.folder.empty())
        return delivery;
    std::set<std::string> used;
    bool all = true;
    for (const std::string& file : files) {
        const PathParts parts = SplitPath(file);
        std::string name = parts.fname + parts.ext;
        for (int copy = 2; !used.insert(name).second; ++copy)
            name = parts.fname + " (" + std::to_string(copy) + ")" + parts.ext;
        std::error_code ec;
        all &= fs::copy_file(file, delivery.folder + "/" + name, fs::copy_options::none, ec);
    }
    delivery.result = all ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
    return delivery;
}

MailDelivery DeliverMail(const std::string& subject, const std::string& body,
                         const std::vector<std::string>& files) {
    switch (ComposeThroughPortal(subject, body, files)) {
    case PortalOutcome::Handed:
        return {MailRoute::Portal, SUCCESS_SUCCESS, {}};
    case PortalOutcome::Cancelled:
        return {MailRoute::Portal, MAPI_USER_ABORT, {}};
    case PortalOutcome::Unavailable:
        break;
    }
    if (const auto thunderbird = FindThunderbird();
        thunderbird && ComposeInThunderbird(*thunderbird, subject, body, files) == SUCCESS_SUCCESS)
        return {MailRoute::Thunderbird, SUCCESS_SUCCESS, {}};
    if (const ULONG result = SendWithXdgEmail(subject, body, files);
        result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT)
        return {MailRoute::XdgEmail, result, {}};
    return KeepInPictures(files);
}

} // namespace plat
