// What splitting and joining paths is on both platforms.
#include "platform/Paths.h"

#include <string_view>

namespace plat {

namespace {

#ifdef _WIN32
constexpr const char* kFolderEnds = "\\/";
constexpr bool kHasDrives = true;
#else
constexpr const char* kFolderEnds = "/";
constexpr bool kHasDrives = false;
#endif

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    std::size_t dirStart = 0;
    if (kHasDrives && path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        dirStart = 2;
    }
    const auto slash = path.find_last_of(kFolderEnds);
    const auto nameStart = slash == std::string::npos || slash < dirStart ? dirStart : slash + 1;
    parts.dir = path.substr(dirStart, nameStart - dirStart);
    const std::string name = path.substr(nameStart);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        parts.fname = name;
    } else {
        parts.fname = name.substr(0, dot);
        parts.ext = name.substr(dot);
    }
    return parts;
}

std::string MakePath(const PathParts& parts) {
    std::string path = parts.drive + parts.dir;
    if (!path.empty() && path.back() != PATH_SEPARATOR)
        path += PATH_SEPARATOR;
    path += parts.fname;
    if (!parts.ext.empty() && parts.ext.front() != '.')
        path += '.';
    return path + parts.ext;
}

bool NamesEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string FileUri(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kKept = "!$&'()*+,-./:=@_~";
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= 'a' && byte <= 'z') || kKept.find(c) != std::string_view::npos)
            uri += c;
        else
            uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
    return uri;
}

} // namespace plat
