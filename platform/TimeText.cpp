#include "platform/TimeText.h"

#include "platform/FileFacts.h"

#include <vector>

namespace plat {

std::string FormatTime(const std::string& format, const std::tm& time) {
    // glibc's "-" flag is the no-padding form of Microsoft's "#".
    std::string posix = format;
    for (std::size_t i = 0; i + 1 < posix.size(); ++i) {
        if (posix[i] != '%')
            continue;
        if (posix[i + 1] == '#')
            posix[i + 1] = '-';
        ++i;
    }
    if (posix.empty())
        return {};
    // strftime gives 0 both for "no room" and for an empty result: grow until it fits, and
    // stop at a size no picture needs.
    for (std::size_t size = 64 + posix.size() * 4; size <= 65536; size *= 4) {
        std::vector<char> buffer(size);
        if (const std::size_t length =
                std::strftime(buffer.data(), buffer.size(), posix.c_str(), &time))
            return std::string(buffer.data(), length);
    }
    return {};
}

bool FileTimeToLocalTime(FILETIME time, std::tm* local) {
    const auto seconds = static_cast<std::time_t>(FileTimeToUnixSeconds(time));
    return localtime_r(&seconds, local) != nullptr;
}

} // namespace plat
