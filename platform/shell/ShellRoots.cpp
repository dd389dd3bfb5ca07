#include "platform/shell/ShellRoots.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace plat {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The value of NAME="…" in user-dirs.dirs, with a leading $HOME replaced; "" when absent.
std::string UserDirsValue(const std::string& name, const std::string& home) {
    std::istringstream lines(ReadWholeFile(GetUserConfigFolder() + "/user-dirs.dirs"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + "=", 0) != 0)
            continue;
        std::string value = line.substr(name.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return {};
}

std::string DecodeMountPath(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const auto octal = [](char c) { return c >= '0' && c <= '7'; };
            if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
                out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// The kernel's own file systems, which hold nothing a user browses.
bool IsPseudoFileSystem(std::string_view type) {
    static constexpr std::string_view kPseudo[] = {
        "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
        "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
        "proc",   "pstore",      "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",    "tracefs"};
    return std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo);
}

bool IsUserVisible(const std::string& mountPoint) {
    for (std::string_view base : {"/media", "/run/media", "/mnt", "/home"})
        if (mountPoint.rfind(base, 0) == 0 &&
            (mountPoint.size() == base.size() || mountPoint[base.size()] == '/'))
            return true;
    return false;
}

} // namespace

std::string UserDir(const std::string& name, const std::string& home, const char* fallback) {
    if (const char* value = std::getenv(name.c_str()); value && *value == '/')
        return NormalizePath(value);
    if (std::string value = NormalizePath(UserDirsValue(name, home)); !value.empty())
        return value;
    return home.empty() ? std::string() : NormalizePath(home + "/" + fallback);
}

std::string NormalizePath(std::string_view path) {
    if (path.empty() || path.front() != '/')
        return {};
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}

std::vector<std::string> ParseMountInfo(std::string_view text) {
    std::vector<std::string> mounts;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(fields),
                                       std::istream_iterator<std::string>()};
        // id, parent, major:minor, root, mount point, options, optional fields…, "-", type, source…
        const auto separator = std::find(words.begin(), words.end(), "-");
        if (words.size() < 5 || separator == words.end() || separator + 1 == words.end() ||
            separator - words.begin() < 6)
            continue;
        const std::string mountPoint = NormalizePath(DecodeMountPath(words[4]));
        if (mountPoint.empty() || !IsUserVisible(mountPoint) ||
            IsPseudoFileSystem(*(separator + 1)))
            continue;
        mounts.push_back(mountPoint);
    }
    std::sort(mounts.begin(), mounts.end());
    mounts.erase(std::unique(mounts.begin(), mounts.end()), mounts.end());
    return mounts;
}

ShellRoots ReadShellRoots() {
    ShellRoots roots;
    roots.home = NormalizePath(GetHomeFolder());
    roots.documents = UserDir("XDG_DOCUMENTS_DIR", roots.home, "Documents");
    if (!IsDirectory(roots.documents))
        roots.documents = roots.home;
    roots.desktop = UserDir("XDG_DESKTOP_DIR", roots.home, "Desktop");
    if (!IsDirectory(roots.desktop) || roots.desktop == roots.home)
        roots.desktop.clear();
    roots.mounts = ReadMounts();
    return roots;
}

std::vector<std::string> ReadMounts() {
    const char* test = std::getenv("VTL_TEST_MOUNTINFO");
    return ParseMountInfo(ReadWholeFile(test && *test ? test : "/proc/self/mountinfo"));
}

} // namespace plat
