#include "platform/mail/Thunderbird.h"

#include "platform/Paths.h"
#include "platform/mail/ChildProcess.h"
#include "platform/mail/MailProgram.h"
#include "platform/mail/MailSpool.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plat {
namespace {

constexpr std::string_view kMailto = "x-scheme-handler/mailto";

// The folders of an XDG search list (`variable`, else `fallback`), each with `below` added.
std::vector<std::string> SearchList(const char* variable, const char* fallback,
                                    const std::string& below) {
    const char* value = std::getenv(variable);
    std::istringstream list(value && *value ? value : fallback);
    std::vector<std::string> folders;
    for (std::string folder; std::getline(list, folder, ':');)
        if (!folder.empty())
            folders.push_back(folder + below);
    return folders;
}

bool IsThunderbird(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return name.find("thunderbird") != std::string::npos;
}

// The desktop entry named first for mailto in the [Default Applications] of `file`.
std::optional<std::string> DefaultIn(const std::string& file) {
    std::ifstream in(file);
    bool defaults = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[')
            defaults = line.rfind("[Default Applications]", 0) == 0;
        else if (defaults && line.rfind(std::string(kMailto) + "=", 0) == 0) {
            std::string value = line.substr(kMailto.size() + 1);
            value = value.substr(0, value.find(';'));
            if (!value.empty())
                return value;
        }
    }
    return std::nullopt;
}

// Whether a program other than Thunderbird says in its desktop entry that it handles mailto.
bool OtherMailProgramInstalled(const std::vector<std::string>& applicationFolders) {
    std::error_code ec;
    for (const std::string& folder : applicationFolders)
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (it->path().extension() != ".desktop" || IsThunderbird(name))
                continue;
            std::ifstream in(it->path());
            for (std::string line; std::getline(in, line);)
                if (line.rfind("MimeType=", 0) == 0 && line.find(kMailto) != std::string::npos)
                    return true;
        }
    return false;
}

} // namespace

std::string PercentEncoded(std::string_view text, std::string_view keep) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string_view("-._~").find(c) != std::string_view::npos ||
            keep.find(c) != std::string_view::npos)
            out += c;
        else
            out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
    return out;
}

std::string FileUrl(const std::string& path) {
    return "file://" + PercentEncoded(path, "/");
}

std::string ThunderbirdComposeArgument(const std::string& subject, const std::string& body,
                                       const std::vector<std::string>& attachments) {
    // Thunderbird decodes %XX in the subject and body; the attachments are a quoted list of
    // URLs split at commas, so a comma or quote in a name must not appear as itself.
    std::vector<std::string> parts;
    if (!subject.empty())
        parts.push_back("subject=" + PercentEncoded(subject));
    if (!body.empty())
        parts.push_back("body=" + PercentEncoded(body));
    if (!attachments.empty()) {
        std::string urls;
        for (const std::string& file : attachments)
            urls += (urls.empty() ? "" : ",") + FileUrl(file);
        parts.push_back("attachment='" + urls + "'");
    }
    std::string argument;
    for (const std::string& part : parts)
        argument += (argument.empty() ? "" : ",") + part;
    return argument;
}

std::optional<std::string> FindThunderbird() {
    const auto program = FindProgramOnPath("thunderbird");
    if (!program || !program->usable)
        return std::nullopt;
    std::vector<std::string> lists{GetUserConfigFolder() + "/mimeapps.list"};
    for (const std::string& file : SearchList("XDG_CONFIG_DIRS", "/etc/xdg", "/mimeapps.list"))
        lists.push_back(file);
    std::vector<std::string> applications{GetUserDataFolder() + "/applications"};
    for (const std::string& folder :
         SearchList("XDG_DATA_DIRS", "/usr/local/share:/usr/share", "/applications"))
        applications.push_back(folder);
    for (const std::string& folder : applications)
        lists.push_back(folder + "/mimeapps.list");
    for (const std::string& list : lists)
        if (const auto chosen = DefaultIn(list))
            return IsThunderbird(*chosen) ? std::optional(program->path) : std::nullopt;
    if (OtherMailProgramInstalled(applications))
        return std::nullopt;
    return program->path;
}

ULONG ComposeInThunderbird(const std::string& program, const std::string& subject,
                           const std::string& body, const std::vector<std::string>& files) {
    std::vector<std::string> planned;
    for (std::size_t i = 0; i < files.size(); ++i)
        planned.emplace_back(
            CMailSpool::CopyPathLength(static_cast<int>(i) + 1,
                                       SplitPath(files[i]).fname + SplitPath(files[i]).ext),
            '%'); // the worst case: each byte of a name takes three
    const std::string plannedArgument = ThunderbirdComposeArgument(subject, body, planned);
    if (ProgramStartBytes(program, {program, "-compose", plannedArgument}) > ProgramStartLimit())
        return MAPI_E_TOO_MANY_FILES;

    CMailSpool::SweepOld();
    CMailSpool spool;
    std::vector<std::string> copies;
    for (const std::string& file : files) {
        const PathParts parts = SplitPath(file);
        if (const ULONG result = spool.Add(file, parts.fname + parts.ext, copies.emplace_back());
            result != SUCCESS_SUCCESS)
            return result;
    }
    const ChildExit exit = RunProgramAndWait(
        program, {program, "-compose", ThunderbirdComposeArgument(subject, body, copies)});
    if (!exit.exited || exit.status != 0)
        return MAPI_E_FAILURE;
    spool.Keep();
    return SUCCESS_SUCCESS;
}

} // namespace plat
