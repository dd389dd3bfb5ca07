#include "app/browser/StatusTexts.h"

#include "app/browser/LocaleFormat.h"

#include <QDir>

#include <algorithm>

namespace {

std::string Pictures(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " picture" : " pictures");
}

} // namespace

std::string MarkedText(std::size_t count, std::uint64_t bytes, const CLocaleFormat& locale) {
    if (count == 0)
        return "No pictures marked";
    constexpr std::uint64_t kTenth = 1024 * 1024 / 10;
    std::string size;
    if (bytes >= 10 * 1024 * 1024) {
        size = std::to_string((bytes + 512 * 1024) / (1024 * 1024));
    } else {
        const std::uint64_t tenths = std::max<std::uint64_t>(1, (bytes + kTenth / 2) / kTenth);
        size = std::to_string(tenths / 10) +
               (locale.m_pszDecimal.empty() ? "." : locale.m_pszDecimal) +
               std::to_string(tenths % 10);
    }
    locale.GroupDigits(size);
    return Pictures(count) + " marked (" + size + " MB)";
}

std::string ResizedText(std::size_t written, const std::string& folder, bool overwritten,
                        bool mailed) {
    const std::string resized = Pictures(written) + " resized";
    if (mailed)
        return resized + " and handed to the mail program";
    if (overwritten)
        return resized + " in place";
    return resized + " into " + ShortFolder(folder);
}

std::string CopiedText(std::size_t count, const std::string& folder, bool moved) {
    return Pictures(count) + (moved ? " moved to " : " copied to ") + ShortFolder(folder);
}

std::string MailedText(bool handed) {
    return handed ? "Mail handed to the mail program" : "No mail was sent";
}

std::string ShortFolder(const std::string& path) {
    std::string folder = QDir::cleanPath(QString::fromStdString(path)).toStdString();
    const std::string home = QDir::homePath().toStdString();
    if (home.size() > 1 && folder.compare(0, home.size(), home) == 0 &&
        (folder.size() == home.size() || folder[home.size()] == '/'))
        folder = "~" + folder.substr(home.size());
    return folder;
}
