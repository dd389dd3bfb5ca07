#include "platform/mail/MailProgram.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

const char* const DEFAULT_MAIL_PROGRAM = "xdg-email";
// Used when PATH is not set, as the shell and exec do.
const char* const DEFAULT_SEARCH_PATH = "/usr/local/bin:/usr/bin:/bin";

std::optional<MailProgram> Probe(const std::string& path) {
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0)
        return std::nullopt;
    return MailProgram{path, S_ISREG(facts.st_mode) && access(path.c_str(), X_OK) == 0};
}

} // namespace

std::optional<MailProgram> FindProgramOnPath(const std::string& name) {
    const char* env = std::getenv("PATH");
    const std::string search = env ? env : DEFAULT_SEARCH_PATH;
    std::optional<MailProgram> firstFound;
    std::string::size_type start = 0;
    while (start <= search.size()) {
        auto end = search.find(':', start);
        if (end == std::string::npos)
            end = search.size();
        const std::string dir = search.substr(start, end - start);
        start = end + 1;
        // An empty entry would mean the current folder: a mail program is never taken from
        // wherever the process happens to stand.
        if (dir.empty())
            continue;
        auto found = Probe(dir + "/" + name);
        if (found && found->usable)
            return found;
        if (found && !firstFound)
            firstFound = found;
    }
    return firstFound;
}

bool MailCommandIsSet() {
    const char* env = std::getenv("VTL_MAIL_COMMAND");
    return env && *env;
}

std::optional<MailProgram> FindMailProgram() {
    const char* env = std::getenv("VTL_MAIL_COMMAND");
    const std::string name = (env && *env) ? env : DEFAULT_MAIL_PROGRAM;
    if (name.find('/') != std::string::npos)
        return Probe(name);
    return FindProgramOnPath(name);
}

} // namespace plat
