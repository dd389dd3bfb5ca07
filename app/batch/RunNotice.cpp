#include "app/batch/RunNotice.h"

#include "app/model/OutputPath.h"
#include "platform/Paths.h"

#include <QDesktopServices>
#include <QUrl>

#include <algorithm>

namespace {

// A run longer than this has lost the person's eye.
constexpr std::chrono::seconds kLongRun{10};
// A notice is read at a glance: longer lists end with "... and N more".
constexpr std::size_t kListed = 5;
// How long a program without a window stays for its notice.
constexpr std::chrono::seconds kStayForNotice{30};

std::string Pictures(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " picture" : " pictures");
}

std::string Listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kListed; ++i)
        text += (text.empty() ? "" : "\n") + items[i];
    if (items.size() > kListed)
        text += "\n... and " + std::to_string(items.size() - kListed) + " more";
    return text;
}

// "3 pictures resized into /home/me/Pictures/resize", "… into 2 folders", "… for mailing".
std::string Resized(const RunEnd& end) {
    if (end.nWritten == 0)
        return "No picture resized";
    const std::string written = Pictures(end.nWritten) + " resized";
    if (end.folders.empty())
        return written + " for mailing";
    if (end.folders.size() == 1)
        return written + " into " + end.folders.front();
    return written + " into " + std::to_string(end.folders.size()) + " folders";
}

} // namespace

std::vector<std::string> OutputFolders(const std::vector<ResizeOutput>& outputs, bool bToMail) {
    std::vector<std::string> folders;
    if (bToMail)
        return folders;
    for (const ResizeOutput& output : outputs) {
        if (output.outcome != ResizeOutput::Written)
            continue;
        std::string folder = plat::SplitPath(output.path).dir;
        if (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

std::optional<plat::Notice> MakeRunNotice(const RunEnd& end) {
    if (end.failures.empty() && end.took <= kLongRun)
        return std::nullopt;
    plat::Notice notice;
    const bool canOpen = end.nWritten > 0 && !end.folders.empty();
    notice.action = canOpen ? "Open folder" : "";
    if (end.failures.empty()) {
        notice.summary = Resized(end);
        if (end.folders.size() > 1)
            notice.body = Listed(end.folders);
        return notice;
    }
    notice.summary = Pictures(end.failures.size()) + " could not be resized";
    notice.body = (end.nWritten > 0 ? Resized(end) + "\n" : "") + Listed(end.failures);
    return notice;
}

void NotifyRunEnded(const RunEnd& end) {
    const std::optional<plat::Notice> notice = MakeRunNotice(end);
    if (!notice)
        return;
    const QString folder =
        end.folders.empty() ? QString() : QString::fromStdString(end.folders.front());
    plat::ShowNotice(*notice, [folder] {
        if (!folder.isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });
}

void WaitForRunNotices() {
    plat::WaitForNotices(kStayForNotice);
}
