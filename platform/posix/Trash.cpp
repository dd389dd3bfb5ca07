#include "platform/Trash.h"

#include "platform/posix/FileWrites.h"
#include "platform/posix/TrashDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

namespace plat {
namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
// A record without its file is what a process killed between the two steps leaves; younger
// ones may belong to a trashing in progress, of ours or of a file manager.
constexpr time_t kOrphanAfterSeconds = 60;
// Names tried before the trash counts as full: "a.jpg", "a.2.jpg", … "a.999.jpg".
constexpr int kNamesTried = 999;

// A folder of the user's own, made when missing: never a symbolic link, never another's.
bool OwnFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

std::string UsableTrash(const std::string& trash) {
    return OwnFolder(trash) && OwnFolder(trash + "/files") && OwnFolder(trash + "/info") ? trash
                                                                                         : "";
}

// Makes `folder` and the folders above it that are missing, as `mkdir -p` does.
void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        mkdir(folder.substr(0, slash).c_str(), 0700);
    mkdir(folder.c_str(), 0700);
}

std::string DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        return data;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + "/.local/share" : "";
}

// The device of `path`, or of the nearest folder above it that exists.
dev_t DeviceOf(std::string path) {
    struct stat st {};
    while (stat(path.c_str(), &st) != 0) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || path == "/")
            return 0;
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return st.st_dev;
}

// The mount point of the volume that holds the absolute path `file`: the highest folder above
// it on the same device.
std::string TopDir(const std::string& file, dev_t device) {
    std::string top = file.substr(0, file.rfind('/'));
    while (!top.empty()) {
        const std::size_t slash = top.rfind('/');
        const std::string parent = slash == 0 ? "/" : top.substr(0, slash);
        struct stat st {};
        if (stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
        if (top == "/")
            break;
    }
    return top.empty() ? "/" : top;
}

// The home trash folder, made with its two sub-folders when missing; "" when it cannot be.
std::string HomeTrashDir() {
    const std::string data = DataHome();
    if (data.empty())
        return "";
    MakeFolders(data);
    return UsableTrash(data + "/Trash");
}

std::string TrashFor(const std::string& file, dev_t device) {
    const std::string data = DataHome();
    if (!data.empty()) {
        const std::string home = data + "/Trash";
        // The home trash serves the volume it is on, and only that one: files elsewhere
        // cannot be linked into it.
        if (DeviceOf(home) == device)
            return HomeTrashDir();
    }
    return VolumeTrashDir(TopDir(file, device), getuid());
}

// Removes the records whose file is gone, once per trash folder and process.
void TidyOrphans(const std::string& trash) {
    static std::mutex lock;
    static std::set<std::string> tidied;
    {
        std::lock_guard guard(lock);
        if (!tidied.insert(trash).second)
            return;
    }
    DIR* dir = opendir((trash + "/info").c_str());
    if (!dir)
        return;
    const std::string_view suffix(kInfoSuffix);
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
            continue;
        const std::string info = trash + "/info/" + entry->d_name;
        const std::string file =
            trash + "/files/" + std::string(name.substr(0, name.size() - suffix.size()));
        struct stat st {};
        if (lstat(file.c_str(), &st) != 0 && errno == ENOENT && lstat(info.c_str(), &st) == 0 &&
            S_ISREG(st.st_mode) && now - st.st_mtime > kOrphanAfterSeconds)
            unlink(info.c_str());
    }
    closedir(dir);
}

// The record's "Path=" value: the path with every byte but letters, digits, "-._~" and "/"
// written as %XX.
std::string TrashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::strchr("-._~/", c)) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

std::string LocalTimeNow() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// "a.jpg", "a.2.jpg", "a.3.jpg", …; a name without an extension gets ".2" at its end. A name
// too long for its record's name is shortened before its extension, never inside a character.
std::string CandidateName(const std::string& name, int n) {
    constexpr std::size_t kRoom = NAME_MAX - (sizeof kInfoSuffix - 1);
    const std::string number = n == 1 ? "" : "." + std::to_string(n);
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot + number.size() >= kRoom / 2)
        dot = name.size();
    std::string stem = name.substr(0, dot);
    const std::string extension = name.substr(dot);
    if (stem.size() + number.size() + extension.size() > kRoom) {
        stem.resize(kRoom - number.size() - extension.size());
        while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80)
            stem.pop_back();
        if (!stem.empty() && static_cast<unsigned char>(stem.back()) >= 0xC0)
            stem.pop_back();
    }
    return stem + number + extension;
}

Failure NotKept(const std::string& path, const std::string& why) {
    return Failure{path + " cannot be put into the trash: " + why + "."};
}

} // namespace

std::string VolumeTrashDir(const std::string& topdir, unsigned uid) {
    const std::string top = topdir == "/" ? "" : topdir;
    const std::string user = std::to_string(uid);
    struct stat shared {};
    // An administrator's .Trash is used only as made: a real folder with the sticky bit, so
    // that no user can take another's folder in it.
    if (lstat((top + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX)) {
        if (std::string trash = UsableTrash(top + "/.Trash/" + user); !trash.empty())
            return trash;
    }
    return UsableTrash(top + "/.Trash-" + user);
}

Result<std::string> KeepInTrash(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat file {};
    if (!realpath(path.c_str(), resolved) || lstat(resolved, &file) != 0)
        return NotKept(path, std::strerror(errno));
    if (!S_ISREG(file.st_mode))
        return NotKept(path, "only files go to the trash");
    const std::string original = resolved;
    const std::string trash = TrashFor(original, file.st_dev);
    if (trash.empty())
        return NotKept(path, "no trash can be made on its volume");
    TidyOrphans(trash);
    const std::string name = original.substr(original.rfind('/') + 1);
    const std::string record =
        "[Trash Info]\nPath=" + TrashInfoPath(original) + "\nDeletionDate=" + LocalTimeNow() + "\n";
    for (int n = 1; n <= kNamesTried; ++n) {
        const std::string candidate = CandidateName(name, n);
        // The record comes first, made exclusively: it claims the name, and a file in the
        // trash always has its record.
        const std::string info = trash + "/info/" + candidate + kInfoSuffix;
        const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return NotKept(path, std::strerror(errno));
        const bool written = WriteAll(fd, record) && fsync(fd) == 0;
        close(fd);
        const std::string kept = trash + "/files/" + candidate;
        const bool linked = written && link(original.c_str(), kept.c_str()) == 0;
        // The new picture replaces the original only once its second name is on disk.
        if (linked && SyncFolder(trash + "/info") && SyncFolder(trash + "/files"))
            return kept;
        const int error = errno;
        if (linked)
            unlink(kept.c_str());
        unlink(info.c_str());
        if (written && !linked && error == EEXIST)
            continue;
        return NotKept(path, std::strerror(error));
    }
    return NotKept(path, "the trash has too many files of that name");
}

} // namespace plat
