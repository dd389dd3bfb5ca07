#include "platform/FileFacts.h"
#include "platform/posix/FileKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {
// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600LL;
} // namespace

FILETIME UnixTimeToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
    return static_cast<FILETIME>((seconds + kEpochDifference) * 10000000LL + nanoseconds / 100);
}

std::int64_t FileTimeToUnixSeconds(FILETIME time) {
    return static_cast<std::int64_t>(time / 10000000) - kEpochDifference;
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderWritable(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<FileFacts> GetFileFacts(const std::string& path) {
    struct statx st {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return std::nullopt;
    FileFacts facts;
    facts.isDirectory = S_ISDIR(st.stx_mode);
    facts.size = st.stx_size;
    facts.lastWriteTime = UnixTimeToFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    if (st.stx_mask & STATX_BTIME)
        facts.creationTime = UnixTimeToFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec);
    return facts;
}

std::string FileKind(unsigned mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "a file";
}

} // namespace plat
