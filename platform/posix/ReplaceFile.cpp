#include "platform/ReplaceFile.h"
#include "platform/posix/FileWrites.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace plat {
namespace {

constexpr time_t kStaleAfterSeconds = 60;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a replacement of `path` must replace: `path` itself, or the file a symbolic link
// finally points to. Empty when `path` is a link that leads nowhere.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

CFileReplacement::CFileReplacement(const std::string& path) : m_strTarget(ResolveTarget(path)) {
    if (m_strTarget.empty())
        return;
    std::string pattern = FolderOf(m_strTarget) + "/" + kTempFilePrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return;
    // Held until the file is renamed or removed: a sweep never takes a file being written.
    flock(fd, LOCK_EX);
    m_fd = fd;
    m_strTemp = name.data();
}

CFileReplacement::~CFileReplacement() {
    Abandon();
}

bool CFileReplacement::Write(std::string_view bytes) {
    if (m_fd < 0)
        return false;
    while (!bytes.empty()) {
        const ssize_t n = write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool CFileReplacement::Commit(unsigned newFileMode) {
    if (m_fd < 0)
        return false;
    struct stat existing {};
    return Finish(stat(m_strTarget.c_str(), &existing) == 0 ? existing.st_mode : newFileMode);
}

bool CFileReplacement::CommitCopy(unsigned mode, std::int64_t modifiedSeconds,
                                  std::int64_t modifiedNanoseconds) {
    if (m_fd < 0)
        return false;
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(modifiedSeconds);
    times[1].tv_nsec = static_cast<long>(modifiedNanoseconds);
    if (futimens(m_fd, times) != 0) {
        Abandon();
        return false;
    }
    return Finish(mode);
}

bool CFileReplacement::Finish(unsigned mode) {
    if (fchmod(m_fd, static_cast<mode_t>(mode & 07777)) != 0 || fsync(m_fd) != 0 ||
        std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        Abandon();
        return false;
    }
    close(m_fd);
    m_fd = -1;
    m_strTemp.clear();
    // The rename is durable only once the folder's entry is on disk.
    return SyncFolder(FolderOf(m_strTarget));
}

void CFileReplacement::Abandon() {
    if (m_fd < 0)
        return;
    // The caller still wants to know why the replacement failed.
    const int error = errno;
    unlink(m_strTemp.c_str());
    close(m_fd);
    errno = error;
    m_fd = -1;
    m_strTemp.clear();
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, unsigned newFileMode) {
    CFileReplacement replacement(path);
    // Whoever writes into the folder sweeps what killed writers left there.
    if (replacement.IsOpen())
        SweepStaleTempFiles(FolderOf(replacement.TargetPath()));
    return replacement.Write(bytes) && replacement.Commit(newFileMode);
}

unsigned DefaultFileMode() {
    // Read from /proc: umask() would change the mask for a moment under every other thread.
    unsigned mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

void SweepStaleTempFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const int dirFd = dirfd(dir);
    const std::string_view prefix(kTempFilePrefix);
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix)
            continue;
        const int fd =
            openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened {
        }, named{};
        // Only a regular file of ours that nobody has written for a minute, that no process
        // holds, and that is still the file under that name.
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            now - opened.st_mtime > kStaleAfterSeconds && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            unlinkat(dirFd, entry->d_name, 0);
        close(fd);
    }
    closedir(dir);
}

} // namespace plat
