#include "platform/SharedMemory.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

struct FileMapping {
    int fd = -1;
    DWORD size = 0;
};

namespace {

constexpr mode_t kMode = 0600;

// Views outlive the handles they came from, as on Windows, so their sizes are kept here.
std::mutex g_viewsLock;
std::map<void*, std::size_t> g_views;

// A block is only trusted when it is this user's own, private, and of the agreed size.
bool IsAcceptable(int fd, DWORD size) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    return st.st_uid == geteuid() && (st.st_mode & 0777) == kMode &&
           st.st_size == static_cast<off_t>(size);
}

FileMapping* Adopt(int fd, DWORD size) {
    if (!IsAcceptable(fd, size)) {
        close(fd);
        return nullptr;
    }
    return new FileMapping{fd, size};
}

} // namespace

std::string SharedMemoryObjectName(const char* name) {
    return "/" + std::string(name) + "-" + std::to_string(geteuid());
}

FileMapping* OpenFileMapping(const char* name, DWORD size) {
    const int fd = shm_open(SharedMemoryObjectName(name).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0);
    return fd < 0 ? nullptr : Adopt(fd, size);
}

FileMapping* CreateFileMapping(const char* name, DWORD size) {
    const std::string objectName = SharedMemoryObjectName(name);
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kMode);
    if (fd >= 0) {
        // New objects start with size 0; growing one fills it with zeros. The mode is set
        // again so that the process umask cannot widen or narrow it.
        if (fchmod(fd, kMode) != 0 || ftruncate(fd, size) != 0) {
            close(fd);
            shm_unlink(objectName.c_str());
            return nullptr;
        }
        return new FileMapping{fd, size};
    }
    if (errno != EEXIST)
        return nullptr;
    return OpenFileMapping(name, size);
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

} // namespace plat
