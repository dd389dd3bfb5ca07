#include "platform/SettingsFile.h"

#include "platform/posix/FileKind.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

SettingsFile ReadSettingsFile(const std::string& path, std::size_t maxBytes) {
    SettingsFile file;
    const auto unreadable = [&](std::string why) {
        file.state = SettingsFile::Unreadable;
        file.why = std::move(why);
    };
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) {
        // What is in the way (a socket cannot be opened at all), else the system's reason.
        const int error = errno;
        if (error == ENOENT)
            return file;
        if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            unreadable("it is " + FileKind(st.st_mode) + ", not a plain file");
        else
            unreadable(std::strerror(error));
        return file;
    }
    file.state = SettingsFile::Read;
    if (fstat(fd, &st) != 0)
        unreadable(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        unreadable("it is " + FileKind(st.st_mode) + ", not a plain file");
    file.size = static_cast<std::uint64_t>(st.st_size);
    char buffer[65536];
    while (file.state == SettingsFile::Read && file.bytes.size() < maxBytes) {
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, maxBytes - file.bytes.size()));
        if (got > 0)
            file.bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0)
            break;
        else if (errno != EINTR)
            unreadable(std::strerror(errno));
    }
    close(fd);
    if (file.state != SettingsFile::Read)
        file.bytes.clear();
    return file;
}

} // namespace plat
