#include "platform/RecordQueue.h"

#include "platform/posix/FileKind.h"
#include "platform/posix/FileWrites.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr mode_t kMode = 0600;
constexpr mode_t kFolderMode = 0700;
// A temporary file of a writer that died before it renamed it; a live writer renames its own
// within moments.
constexpr time_t kAbandonedSeconds = 60;
constexpr const char* kRemoveIt = " Remove it and try again.";
constexpr const char* kAskAdministrator = " Ask the system administrator to remove it.";

// Where a queue lives: a folder of ours (`name`) in a folder (`parent`); in the runtime
// folder, `parent` is our own vantrel folder, which is made and checked too.
struct Place {
    std::string base;   // the folder that is there already
    std::string parent; // "" when the queue lies directly in `base`
    std::string name;
    std::string Path() const { return base + (parent.empty() ? "" : "/" + parent) + "/" + name; }
};

Place PlaceOf(const QueueName& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        return {runtime, "vantrel", name.folder};
    return {"/dev/shm", "", name.shm + "-" + std::to_string(geteuid())};
}

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string CannotBe(const char* what, const std::string& path, int error) {
    return path + " cannot be " + what + " (" + std::strerror(error) + ").";
}

// What makes the folder `st`, found at `path`, one this user must not trust; "" when nothing.
std::string Problem(const std::string& path, const struct stat& st) {
    if (st.st_uid != geteuid())
        return path + " belongs to another user." + kAskAdministrator;
    if (!S_ISDIR(st.st_mode))
        return path + " is " + FileKind(st.st_mode) + ", not a folder." + kRemoveIt;
    if (st.st_mode & 022)
        return path + " can be written by other users (mode " + Octal(st.st_mode) + ")." +
               kRemoveIt;
    return "";
}

// Our folder `name` in the open folder `parent` (at `parentPath`), made when asked and
// missing, opened without following a link and checked: its descriptor, or -1 when it is not
// there and is not to be made; fails, saying why, when it is refused.
Result<int> OpenOwnFolder(int parent, const std::string& parentPath, const std::string& name,
                          bool create) {
    const std::string path = parentPath + "/" + name;
    if (create && mkdirat(parent, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
        return Failure{CannotBe("created", path, errno)};
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // What is in the way, else the system's reason.
        const int error = errno;
        if (error == ENOENT)
            return -1;
        struct stat st {};
        std::string problem;
        if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            (problem = Problem(path, st)).empty())
            problem = CannotBe("opened", path, error);
        return Failure{problem};
    }
    struct stat st {};
    std::string problem;
    if (fstat(fd, &st) != 0 || !(problem = Problem(path, st)).empty()) {
        if (problem.empty())
            problem = CannotBe("examined", path, errno);
        close(fd);
        return Failure{problem};
    }
    return fd;
}

bool IsRecordName(const std::string& name) {
    return !name.empty() && name.size() < NAME_MAX && name.front() != '.' &&
           name.find('/') == std::string::npos;
}

} // namespace

std::string RecordQueuePath(const QueueName& name) {
    return PlaceOf(name).Path();
}

CRecordQueue::CRecordQueue(const QueueName& name, std::size_t recordSize, bool create)
    : m_size(recordSize) {
    const Place place = PlaceOf(name);
    int parent = open(place.base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        if (errno != ENOENT || create)
            m_refusal = CannotBe("opened", place.base, errno);
        return;
    }
    std::string parentPath = place.base;
    if (!place.parent.empty()) {
        const Result<int> own = OpenOwnFolder(parent, parentPath, place.parent, create);
        close(parent);
        if (!own)
            m_refusal = own.error().message;
        if (!own || *own < 0)
            return;
        parent = *own;
        parentPath += "/" + place.parent;
    }
    const Result<int> folder = OpenOwnFolder(parent, parentPath, place.name, create);
    close(parent);
    if (folder)
        m_folder = *folder;
    else
        m_refusal = folder.error().message;
}

CRecordQueue::~CRecordQueue() {
    if (m_folder >= 0)
        close(m_folder);
}

std::vector<std::string> CRecordQueue::Names() const {
    // A listing of its own: a duplicate of the folder's descriptor would share its position
    // with every other listing.
    std::vector<std::string> names;
    const int fd = openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            close(fd);
        return names;
    }
    while (const dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void CRecordQueue::SweepAbandoned() const {
    const time_t now = time(nullptr);
    for (const std::string& name : Names()) {
        struct stat st {};
        if (name.front() == '.' && fstatat(m_folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && now - st.st_mtime > kAbandonedSeconds)
            unlinkat(m_folder, name.c_str(), 0);
    }
}

Result<std::string> CRecordQueue::Publish(const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    SweepAbandoned();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char name[48];
    std::snprintf(name, sizeof name, "%016llx-%08x-%08x",
                  static_cast<unsigned long long>(now.tv_sec) * 1000000000ull +
                      static_cast<unsigned long long>(now.tv_nsec),
                  static_cast<unsigned>(getpid()), counter++);
    const std::string temporary = std::string(".") + name;
    const auto fail = [&](const char* what, int code) {
        unlinkat(m_folder, temporary.c_str(), 0);
        return Failure{CannotBe(what, temporary, code)};
    };
    if (bytes.size() != m_size)
        return fail("written", EINVAL);
    const int fd = openat(m_folder, temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kMode);
    if (fd < 0)
        return fail("created", errno);
    // The mode is set again so that the process umask cannot change it.
    const bool written = fchmod(fd, kMode) == 0 && WriteAll(fd, bytes);
    const int code = errno;
    if (close(fd) != 0 || !written)
        return fail("written", written ? errno : code);
    if (renameat(m_folder, temporary.c_str(), m_folder, name) != 0)
        return fail("renamed", errno);
    return std::string(name);
}

int CRecordQueue::OpenRecord(const std::string& record) const {
    if (!IsRecordName(record))
        return -1;
    const int fd =
        openat(m_folder, record.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
                    st.st_size != static_cast<off_t>(m_size))) {
        close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> CRecordQueue::Take(const std::string& record) {
    const int fd = OpenRecord(record);
    if (fd < 0)
        return std::nullopt;
    // Removing the name is the taking: only one remover can succeed. The file stays readable
    // through the descriptor, and it was complete before it got its name.
    if (unlinkat(m_folder, record.c_str(), 0) != 0) {
        close(fd);
        return std::nullopt;
    }
    std::string bytes(m_size, '\0');
    std::size_t done = 0;
    while (done < m_size) {
        const ssize_t got = pread(fd, bytes.data() + done, m_size - done, static_cast<off_t>(done));
        if (got > 0)
            done += static_cast<std::size_t>(got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(fd);
    bytes.resize(done);
    return bytes;
}

std::optional<std::string> CRecordQueue::TakeOldest(std::string* record) {
    for (const std::string& name : Names()) {
        if (auto bytes = Take(name)) {
            if (record)
                *record = name;
            return bytes;
        }
    }
    return std::nullopt;
}

bool CRecordQueue::IsQueued(const std::string& record) const {
    struct stat st {};
    return IsRecordName(record) && fstatat(m_folder, record.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::vector<std::pair<std::string, std::string>> CRecordQueue::Peek() const {
    std::vector<std::pair<std::string, std::string>> records;
    for (const std::string& name : Names()) {
        const int fd = OpenRecord(name);
        if (fd < 0)
            continue;
        std::string bytes(m_size, '\0');
        const ssize_t got = pread(fd, bytes.data(), m_size, 0);
        close(fd);
        if (got == static_cast<ssize_t>(m_size))
            records.emplace_back(name, std::move(bytes));
    }
    return records;
}

} // namespace plat
