#include "platform/SharedMemory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

struct FileMapping {
    int fd = -1;
    DWORD size = 0;
    // flock() keeps other open files of the block out, not other threads using this one.
    std::mutex threads;
};

namespace {

constexpr mode_t kMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr const char* kRemoveIt = " Remove it and try again.";
constexpr const char* kAskAdministrator = " Ask the system administrator to remove it.";

// Views outlive the handles they came from, as on Windows, so their sizes are kept here.
std::mutex g_viewsLock;
std::map<void*, std::size_t> g_views;

// Where a block lives: a file in a folder. Only the user's own vantrel folder is checked and
// made; /dev/shm is shared by everyone by design.
struct Place {
    std::string folder;
    std::string file;
    bool ownFolder;
    std::string Path() const { return folder + "/" + file; }
};

Place PlaceOf(const MappingName& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        return {std::string(runtime) + "/vantrel", name.file, true};
    return {"/dev/shm", name.shm + "-" + std::to_string(geteuid()), false};
}

std::string Kind(mode_t mode) {
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

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string CannotBe(const char* what, const std::string& path, int error) {
    return path + " cannot be " + what + " (" + std::strerror(error) + ").";
}

// What makes `st`, found at `path`, something this user must not trust; "" when nothing does.
std::string Problem(const std::string& path, const struct stat& st, bool folder, DWORD size) {
    if (st.st_uid != geteuid())
        return path + " belongs to another user." + kAskAdministrator;
    if (folder) {
        if (!S_ISDIR(st.st_mode))
            return path + " is " + Kind(st.st_mode) + ", not a folder." + kRemoveIt;
        if (st.st_mode & 022)
            return path + " can be written by other users (mode " + Octal(st.st_mode) + ")." +
                   kRemoveIt;
        return "";
    }
    if (!S_ISREG(st.st_mode))
        return path + " is " + Kind(st.st_mode) + ", not a shared memory block." + kRemoveIt;
    if ((st.st_mode & 07777) != kMode)
        return path + " has mode " + Octal(st.st_mode) + " instead of " + Octal(kMode) + "." +
               kRemoveIt;
    if (st.st_size != static_cast<off_t>(size))
        return path + " holds " + std::to_string(st.st_size) + " bytes instead of " +
               std::to_string(size) + "." + kRemoveIt;
    return "";
}

// Why `path` could not be opened: what is in the way, else the system's reason.
std::string Refusal(const std::string& path, bool folder, DWORD size, int error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        const std::string problem = Problem(path, st, folder, size);
        if (!problem.empty())
            return problem;
    }
    return CannotBe("opened", path, error);
}

// The folder of the block, opened without following a link and checked; -1 when it is refused
// (`refusal` says why) or when it does not exist and is not to be made (`refusal` stays empty).
int OpenFolder(const Place& place, bool create, std::string& refusal) {
    if (place.ownFolder && create && mkdir(place.folder.c_str(), kFolderMode) != 0 &&
        errno != EEXIST) {
        refusal = CannotBe("created", place.folder, errno);
        return -1;
    }
    const int fd = open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            refusal = Refusal(place.folder, true, 0, errno);
        return -1;
    }
    struct stat st {};
    if (place.ownFolder &&
        (fstat(fd, &st) != 0 || !(refusal = Problem(place.folder, st, true, 0)).empty())) {
        if (refusal.empty())
            refusal = CannotBe("examined", place.folder, errno);
        close(fd);
        return -1;
    }
    return fd;
}

// The block in its folder, opened without following a link or waiting on a FIFO, and checked.
FileMapping* OpenBlock(int folder, const Place& place, DWORD size, std::string& refusal) {
    const int fd =
        openat(folder, place.file.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            refusal = Refusal(place.Path(), false, size, errno);
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !(refusal = Problem(place.Path(), st, false, size)).empty()) {
        if (refusal.empty())
            refusal = CannotBe("examined", place.Path(), errno);
        close(fd);
        return nullptr;
    }
    return new FileMapping{fd, size, {}};
}

FileMapping* CreateBlock(int folder, const Place& place, DWORD size, std::string& refusal) {
    const int fd = openat(folder, place.file.c_str(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kMode);
    if (fd < 0) {
        if (errno == EEXIST)
            return OpenBlock(folder, place, size, refusal);
        refusal = CannotBe("created", place.Path(), errno);
        return nullptr;
    }
    // A new file is empty; growing it fills it with zeros. The mode is set again so that the
    // process umask cannot change it.
    if (fchmod(fd, kMode) != 0 || ftruncate(fd, size) != 0) {
        refusal = CannotBe("created", place.Path(), errno);
        close(fd);
        unlinkat(folder, place.file.c_str(), 0);
        return nullptr;
    }
    return new FileMapping{fd, size, {}};
}

FileMapping* Open(const MappingName& name, DWORD size, bool create, std::string* refusal) {
    const Place place = PlaceOf(name);
    std::string why;
    FileMapping* mapping = nullptr;
    const int folder = OpenFolder(place, create, why);
    if (folder >= 0) {
        mapping =
            create ? CreateBlock(folder, place, size, why) : OpenBlock(folder, place, size, why);
        close(folder);
    }
    if (refusal)
        *refusal = why;
    return mapping;
}

} // namespace

std::string FileMappingPath(const MappingName& name) {
    return PlaceOf(name).Path();
}

FileMapping* CreateFileMapping(const MappingName& name, DWORD size, std::string* refusal) {
    return Open(name, size, true, refusal);
}

FileMapping* OpenFileMapping(const MappingName& name, DWORD size, std::string* refusal) {
    return Open(name, size, false, refusal);
}

void* MapViewOfFile(FileMapping* mapping) {
    if (!mapping)
        return nullptr;
    void* view = mmap(nullptr, mapping->size, PROT_READ | PROT_WRITE, MAP_SHARED, mapping->fd, 0);
    if (view == MAP_FAILED)
        return nullptr;
    std::lock_guard lock(g_viewsLock);
    g_views[view] = mapping->size;
    return view;
}

bool UnmapViewOfFile(void* view) {
    std::lock_guard lock(g_viewsLock);
    const auto found = g_views.find(view);
    if (found == g_views.end())
        return false;
    munmap(view, found->second);
    g_views.erase(found);
    return true;
}

void CloseHandle(FileMapping* mapping) {
    if (!mapping)
        return;
    close(mapping->fd);
    delete mapping;
}

CMappingLock::CMappingLock(FileMapping* mapping) : m_mapping(mapping) {
    m_mapping->threads.lock();
    while (flock(m_mapping->fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

CMappingLock::~CMappingLock() {
    flock(m_mapping->fd, LOCK_UN);
    m_mapping->threads.unlock();
}

} // namespace plat
