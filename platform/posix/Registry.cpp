#include "platform/Registry.h"

#include "platform/Paths.h"
#include "platform/posix/RegistryHive.h"
#include "platform/ReplaceFile.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace plat {

// A change made through a handle, written when the handle is closed.
struct RegChange {
    enum Kind { CreateKey, SetValue, DeleteValue } kind;
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct RegKey {
    int root;         // index into kRootNames
    std::string path; // below the root
    bool predefined;
    std::vector<RegChange> pending;
    // The hive as read when the key was opened or created; none for a root handle.
    std::shared_ptr<const RegistryHive> read;
};

namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                      "HKEY_LOCAL_MACHINE"};

RegKey g_roots[] = {{0, "", true, {}, {}}, {1, "", true, {}, {}}, {2, "", true, {}, {}}};

// Larger hive files are not read: nothing this program stores comes near it.
constexpr std::size_t kMaxHiveBytes = 16 * 1024 * 1024;
// How long a change waits for another process that holds the hive's lock.
constexpr auto kLockWait = std::chrono::seconds(5);

fs::path RegistryFolder() {
    return fs::path(GetUserConfigFolder()) / "vantrel" / "registry";
}

fs::path HivePath(int root) {
    return RegistryFolder() / (std::string(kRootNames[root]) + ".reg");
}

std::string LockPath(int root) {
    return HivePath(root).string() + ".lock";
}

// An advisory lock on a companion file, held by a writer from reading the hive to renaming
// the new one into place. Readers need none: a hive is only ever replaced whole. A lock that
// another process holds longer than kLockWait is not waited for any further: a writer that
// hangs must not hang every program that saves after it.
class HiveLock {
  public:
    explicit HiveLock(int root) {
        std::error_code ec;
        fs::create_directories(RegistryFolder(), ec);
        m_fd = open(LockPath(root).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
        while (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= giveUp) {
                m_held = false;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~HiveLock() {
        if (m_fd >= 0)
            close(m_fd); // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    // False when another process held the lock all the while.
    bool Held() const { return m_held; }

  private:
    int m_fd = -1;
    bool m_held = true;
};

// A hive as its file holds it now.
struct HiveFile {
    SettingsFile::State state = SettingsFile::Missing;
    std::string why;                          // when Unreadable
    std::shared_ptr<const RegistryHive> hive; // when Read (an empty one otherwise)
};

HiveFile LoadHive(int root) {
    // The last reading of each hive, used again while the file holds the same bytes: loading
    // the settings opens the key once per group, and a large file is then parsed once.
    static std::mutex cacheLock;
    static std::string cachedBytes[3];
    static std::shared_ptr<const RegistryHive> cachedHive[3];

    SettingsFile file = ReadSettingsFile(HivePath(root).string(), kMaxHiveBytes);
    if (file.state == SettingsFile::Read && file.size > kMaxHiveBytes) {
        file.state = SettingsFile::Unreadable;
        file.why = "it is larger than " + std::to_string(kMaxHiveBytes >> 20) + " MiB";
    }
    HiveFile loaded{file.state, std::move(file.why), nullptr};
    if (file.state != SettingsFile::Read) {
        loaded.hive =
            std::make_shared<const RegistryHive>(RegistryHive::Parse("", kRootNames[root]));
        return loaded;
    }
    {
        const std::lock_guard guard(cacheLock);
        if (cachedHive[root] && cachedBytes[root] == file.bytes) {
            loaded.hive = cachedHive[root];
            return loaded;
        }
    }
    loaded.hive =
        std::make_shared<const RegistryHive>(RegistryHive::Parse(file.bytes, kRootNames[root]));
    const std::lock_guard guard(cacheLock);
    cachedBytes[root] = std::move(file.bytes);
    cachedHive[root] = loaded.hive;
    return loaded;
}

// What a change that set a hive file aside has to tell the user, until it is told.
std::mutex g_noticeLock;
std::string g_notice;

// Keeps a hive file that is not a hive beside itself as "<file>.unreadable-<date>" (never over
// another file); the name it got, or "" when it could not be kept.
std::string SetAside(int root) {
    const std::string path = HivePath(root).string();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y%m%d-%H%M%S", &local);
    for (int attempt = 1; attempt < 100; ++attempt) {
        const std::string aside =
            path + ".unreadable-" + date + (attempt > 1 ? "-" + std::to_string(attempt) : "");
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno != EEXIST)
            break;
    }
    return "";
}

// The hive as seen through a handle: the file with the handle's own changes on top.
// ERROR_KEY_DELETED when a value is set in a key that no longer exists.
LONG Apply(RegistryHive& hive, const RegKey& key) {
    for (const RegChange& change : key.pending) {
        if (change.kind == RegChange::CreateKey) {
            hive.CreateKey(key.path);
            continue;
        }
        if (!hive.KeyExists(key.path))
            return ERROR_KEY_DELETED;
        RegKeyData& target = hive.CreateKey(key.path);
        if (change.kind == RegChange::DeleteValue)
            RegistryHive::DeleteValue(target, change.name);
        else
            RegistryHive::SetValue(target, RegValue{change.name, change.type, change.data});
    }
    return ERROR_SUCCESS;
}

// The hive a handle reads from: the one it read when it was opened, or the file now for a
// root handle.
std::shared_ptr<const RegistryHive> ReadThrough(const RegKey& key) {
    return key.read ? key.read : LoadHive(key.root).hive;
}

// A value as seen through a handle, without copying the hive: the handle's own last change
// of it, else the hive's.
std::optional<RegValue> SeenValue(const RegKey& key, std::string_view name) {
    const std::shared_ptr<const RegistryHive> hive = ReadThrough(key);
    const bool created =
        std::any_of(key.pending.begin(), key.pending.end(),
                    [](const RegChange& c) { return c.kind == RegChange::CreateKey; });
    if (!created && !hive->KeyExists(key.path))
        return std::nullopt;
    for (auto change = key.pending.rbegin(); change != key.pending.rend(); ++change) {
        if (change->kind == RegChange::CreateKey || !RegistryHive::NamesEqual(change->name, name))
            continue;
        if (change->kind == RegChange::DeleteValue)
            return std::nullopt;
        return RegValue{change->name, change->type, change->data};
    }
    const RegKeyData* found = hive->FindKey(key.path);
    const RegValue* value = found ? RegistryHive::FindValue(*found, name) : nullptr;
    return value ? std::optional<RegValue>(*value) : std::nullopt;
}

bool IsValidHandle(HKEY key) {
    if (!key)
        return false;
    return key->root >= 0 && key->root < 3;
}

std::string Join(HKEY parent, const char* subKey) {
    std::string path = parent->path;
    if (subKey && *subKey) {
        if (!path.empty())
            path += '\\';
        path += subKey;
    }
    return RegistryHive::NormalizePath(path);
}

// Runs `change` on the freshly read hive under the lock and writes the hive when it asks to.
// A file that is not a hive at all is set aside first and a fresh one is written in its place.
template <typename Change> LONG Modify(int root, Change change) {
    HiveLock lock(root);
    if (!lock.Held())
        return ERROR_LOCK_VIOLATION;
    const HiveFile file = LoadHive(root);
    if (file.state == SettingsFile::Unreadable)
        return ERROR_CANTREAD;
    const bool notAHive = !file.hive->Readable();
    RegistryHive hive = notAHive ? RegistryHive::Parse("", kRootNames[root]) : *file.hive;
    bool save = false;
    const LONG result = change(hive, save);
    if (result != ERROR_SUCCESS || !save)
        return result;
    std::string aside;
    if (notAHive && (aside = SetAside(root)).empty())
        return ERROR_CANTWRITE;
    const bool written =
        ReplaceFileContents(HivePath(root).string(), hive.Format(kRootNames[root]), 0600);
    if (!aside.empty()) {
        const std::lock_guard guard(g_noticeLock);
        g_notice = "The settings file " + HivePath(root).string() +
                   " could not be read as settings. It was kept as " + aside +
                   (written ? ", and new settings were saved in its place." : ".");
    }
    return written ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

// Writes the handle's changes in one rewrite of the hive.
LONG Commit(HKEY key) {
    if (key->pending.empty())
        return ERROR_SUCCESS;
    const LONG rc = Modify(key->root, [&](RegistryHive& hive, bool& save) {
        save = true;
        return Apply(hive, *key);
    });
    key->pending.clear();
    return rc;
}

// Queues a change; one made through a predefined root handle, which is never closed, is
// written at once.
LONG Change(HKEY key, RegChange change) {
    key->pending.push_back(std::move(change));
    return key->predefined ? Commit(key) : ERROR_SUCCESS;
}

} // namespace

const HKEY HKEY_CLASSES_ROOT = &g_roots[0];
const HKEY HKEY_CURRENT_USER = &g_roots[1];
const HKEY HKEY_LOCAL_MACHINE = &g_roots[2];

std::string RegistryHiveFile(HKEY root) {
    return IsValidHandle(root) ? HivePath(root->root).string() : "";
}

std::string RegistryLockFile(HKEY root) {
    return IsValidHandle(root) ? LockPath(root->root) : "";
}

std::string RegistryHiveFault(HKEY root) {
    return IsValidHandle(root) ? LoadHive(root->root).why : "";
}

std::string TakeRegistryNotice() {
    const std::lock_guard guard(g_noticeLock);
    return std::exchange(g_notice, std::string());
}

LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    const std::string path = Join(parent, subKey);
    std::shared_ptr<const RegistryHive> hive;
    if (parent->read || !parent->pending.empty()) {
        auto seen = std::make_shared<RegistryHive>(*ReadThrough(*parent));
        Apply(*seen, *parent);
        hive = std::move(seen);
    } else {
        const HiveFile file = LoadHive(parent->root);
        if (file.state == SettingsFile::Unreadable)
            return ERROR_CANTREAD;
        hive = file.hive;
    }
    if (!hive->KeyExists(path))
        return ERROR_FILE_NOT_FOUND;
    *result = new RegKey{parent->root, path, false, {}, std::move(hive)};
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result,
                    DWORD* disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    const HiveFile file = LoadHive(parent->root);
    if (file.state == SettingsFile::Unreadable)
        return ERROR_CANTREAD;
    // A file that is not a hive reads as an empty one; the first change sets it aside.
    RegistryHive hive =
        file.hive->Readable() ? *file.hive : RegistryHive::Parse("", kRootNames[parent->root]);
    Apply(hive, *parent);
    const std::string path = Join(parent, subKey);
    const bool created = !hive.KeyExists(path);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    const bool section = hive.FindKey(path) != nullptr;
    *result = new RegKey{
        parent->root, path, false, {}, std::make_shared<const RegistryHive>(std::move(hive))};
    // A key that exists only as the parent of others gets a section of its own too.
    if (!section && !path.empty())
        (*result)->pending.push_back(RegChange{RegChange::CreateKey, {}, 0, {}});
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    if (key->predefined)
        return ERROR_SUCCESS;
    const LONG rc = Commit(key);
    delete key;
    return rc;
}

LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    const std::optional<RegValue> value = SeenValue(*key, valueName ? valueName : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    const DWORD size = static_cast<DWORD>(value->data.size());
    if (!data) {
        if (cbData)
            *cbData = size;
        return ERROR_SUCCESS;
    }
    if (*cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value->data.data(), size);
    *cbData = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    if (!data && cbData)
        return ERROR_INVALID_PARAMETER;
    if (type == REG_DWORD && cbData != 4)
        return ERROR_INVALID_PARAMETER;
    return Change(key, RegChange{RegChange::SetValue, valueName ? valueName : "", type,
                                 std::vector<BYTE>(data, data + cbData)});
}

LONG RegDeleteValue(HKEY key, const char* valueName) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    const std::string name = valueName ? valueName : "";
    if (!SeenValue(*key, name))
        return ERROR_FILE_NOT_FOUND;
    return Change(key, RegChange{RegChange::DeleteValue, name, 0, {}});
}

namespace {
LONG DeleteKey(HKEY parent, const char* subKey, bool withSubkeys) {
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    const std::string path = Join(parent, subKey);
    if (path.empty())
        return ERROR_ACCESS_DENIED; // a root key cannot be deleted
    return Modify(parent->root, [&](RegistryHive& hive, bool& save) {
        if (!hive.KeyExists(path))
            return ERROR_FILE_NOT_FOUND;
        if (!withSubkeys && hive.HasSubkeys(path))
            return ERROR_ACCESS_DENIED;
        hive.DeleteKey(path, withSubkeys);
        save = true;
        return ERROR_SUCCESS;
    });
}
} // namespace

LONG RegDeleteKey(HKEY parent, const char* subKey) {
    return DeleteKey(parent, subKey, false);
}
LONG RegDeleteTree(HKEY parent, const char* subKey) {
    return DeleteKey(parent, subKey, true);
}

} // namespace plat
