#include "platform/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

SettingsFile ReadSettingsFile(const std::string& path, std::size_t maxBytes) {
    SettingsFile file;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.state = errno == ENOENT ? SettingsFile::Missing : SettingsFile::Unreadable;
        return file;
    }
    struct stat st {};
    file.state = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? SettingsFile::Read : SettingsFile::Unreadable;
    file.size = static_cast<std::uint64_t>(st.st_size);
    char buffer[65536];
    while (file.state == SettingsFile::Read && file.bytes.size() < maxBytes) {
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, maxBytes - file.bytes.size()));
        if (got > 0)
            file.bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0)
            break;
        else if (errno != EINTR)
            file.state = SettingsFile::Unreadable;
    }
    close(fd);
    if (file.state != SettingsFile::Read)
        file.bytes.clear();
    return file;
}

} // namespace plat
