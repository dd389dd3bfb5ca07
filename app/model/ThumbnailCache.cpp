#include "app/model/ThumbnailCache.h"

#include "platform/Paths.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GOwned = std::unique_ptr<char, GFreeDeleter>;

bool MakeFolders(const std::string& folder) {
    // Every level is private: the names of a user's thumbnails tell what the user looks at.
    std::string::size_type at = 1;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        const std::string level = folder.substr(0, at);
        if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// The cache is a cache: a write is never synced to the disk (a thumbnail lost to a power cut is
// made again), but it is always whole, since other programs read the folder while we write.
bool StoreWhole(const std::string& folder, const std::string& path, std::string_view bytes) {
    if (!MakeFolders(folder))
        return false;
    std::string temp = folder + "/.vtl-thumb-XXXXXX";
    const int fd = mkstemp(temp.data()); // mode 0600
    if (fd < 0)
        return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    const bool ok =
        close(fd) == 0 && written == bytes.size() && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

} // namespace

std::string ThumbnailUri(const std::string& path) {
    return !path.empty() && path.front() == '/' ? plat::FileUri(path) : std::string();
}

std::string ThumbnailFileName(const std::string& uri) {
    const GOwned md5(g_compute_checksum_for_string(G_CHECKSUM_MD5, uri.c_str(),
                                                   static_cast<gssize>(uri.size())));
    return std::string(md5.get()) + ".png";
}

CThumbnailCache::CThumbnailCache(std::string thumbnailsFolder, std::string_view version)
    : m_strFolder(std::move(thumbnailsFolder)),
      m_strFailFolder(m_strFolder + "/fail/vantrel-" + std::string(version)) {}

std::string CThumbnailCache::UserFolder() {
    return plat::GetUserCacheFolder() + "/thumbnails";
}

ThumbnailEntry CThumbnailCache::Locate(const std::string& path, std::int64_t mtimeSeconds,
                                       ThumbnailSize size) const {
    ThumbnailEntry entry;
    entry.uri = ThumbnailUri(path);
    entry.mtime = std::to_string(mtimeSeconds);
    if (entry.uri.empty())
        return entry;
    const std::string name = ThumbnailFileName(entry.uri);
    entry.thumbnailPath =
        m_strFolder + (size == ThumbnailSize::Large ? "/large/" : "/normal/") + name;
    entry.failurePath = m_strFailFolder + "/" + name;
    return entry;
}

bool CThumbnailCache::IsFresh(const ThumbnailEntry& entry, std::string_view uri,
                              std::string_view mtime) {
    return !entry.uri.empty() && uri == entry.uri && mtime == entry.mtime;
}

bool CThumbnailCache::StoreThumbnail(const ThumbnailEntry& entry, std::string_view png) const {
    return !entry.thumbnailPath.empty() &&
           StoreWhole(FolderOf(entry.thumbnailPath), entry.thumbnailPath, png);
}

bool CThumbnailCache::StoreFailure(const ThumbnailEntry& entry, std::string_view png) const {
    return !entry.failurePath.empty() && StoreWhole(m_strFailFolder, entry.failurePath, png);
}
