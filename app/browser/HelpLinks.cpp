#include "app/browser/HelpLinks.h"

#include "app/res/resource.h"
#include "platform/Paths.h"

#include <QUrl>

#include <filesystem>

std::string ManualPath() {
    namespace fs = std::filesystem;
    const fs::path program = fs::path(plat::GetModuleFileName()).parent_path();
    for (const char* up : {"../..", ".."}) {
        const fs::path manual = program / up / "share/vantrel/manual.html";
        std::error_code ec;
        if (fs::is_regular_file(manual, ec))
            return fs::weakly_canonical(manual, ec).string();
    }
    return {};
}

std::string SupportAddress() {
    return VTL_SUPPORT_ADDRESS;
}

std::string HelpLink(int id, const std::string& version, const std::string& manual,
                     const std::string& support) {
    const auto page = [&](const char* part) {
        if (manual.empty())
            return std::string();
        QUrl link = QUrl::fromLocalFile(QString::fromStdString(manual));
        if (*part)
            link.setFragment(QString::fromLatin1(part));
        return link.toString(QUrl::FullyEncoded).toStdString();
    };
    const auto mail = [&](const char* subject) {
        return support.empty() ? std::string()
                               : "mailto:" + support + "?subject=[VTL" + version + "] " + subject;
    };
    switch (id) {
    case ID_VISIT_WEB:
        return page("");
    case ID_CHECK_VERSION:
        return page("version");
    case ID_MAIL_TO_ME:
        return mail("I have words to say");
    case ID_BUG_REPORT:
        return mail("BUG REPORT");
    default:
        return {};
    }
}
