#include "platform/Registry.h"

#include "platform/Paths.h"
#include "platform/RegistryHive.h"
#include "platform/ReplaceFile.h"
#include "platform/SettingsFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
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

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

RegKey g_roots[] = {{0, "", true, {}, {}}, {1, "", true, {}, {}}, {2, "", true, {}, {}}};

// Larger hive files are not read: nothing this program stores comes near it.
constexpr std::size_t kMaxHiveBytes = 16 * 1024 * 1024;

fs::path RegistryFolder() { return fs::path(GetUserConfigFolder()) / "vantrel" / "registry"; }

fs::path HivePath(int root) { return RegistryFolder() / (std::string(kRootNames[root]) + ".reg"); }

// An advisory lock on a companion file, held by a writer from reading the hive to renaming
// the new one into place. Readers need none: a hive is only ever replaced whole.
class HiveLock {
public:
    explicit HiveLock(int root) {
        std::error_code ec;
        fs::create_directories(RegistryFolder(), ec);
        m_fd = open((HivePath(root).string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~HiveLock() {
        if (m_fd >= 0)
            close(m_fd); // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int m_fd = -1;
};

// The hive's keys; false (and an empty hive) when its file is there but cannot be read whole.
bool LoadHive(int root, RegistryHive& hive) {
    const SettingsFile file = ReadSettingsFile(HivePath(root).string(), kMaxHiveBytes);
    const bool whole = file.state != SettingsFile::Unreadable && file.size <= kMaxHiveBytes;
    hive = RegistryHive::Parse(whole ? file.bytes : std::string(), kRootNames[root]);
    return whole;
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
        RegValue* value = RegistryHive::FindValue(target, change.name);
        if (change.kind == RegChange::DeleteValue)
            std::erase_if(target.values, [&](const RegValue& v) { return &v == value; });
        else if (value) // keeps the spelling it was created with
            *value = RegValue{value->name, change.type, change.data};
        else
            target.values.push_back(RegValue{change.name, change.type, change.data});
    }
    return ERROR_SUCCESS;
}

RegistryHive SeenThrough(const RegKey& key) {
    RegistryHive hive;
    if (key.read)
        hive = *key.read;
    else
        LoadHive(key.root, hive);
    Apply(hive, key);
    return hive;
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
template <typename Change> LONG Modify(int root, Change change) {
    HiveLock lock(root);
    RegistryHive hive;
    if (!LoadHive(root, hive))
        return ERROR_CANTREAD;
    bool save = false;
    const LONG result = change(hive, save);
    if (result == ERROR_SUCCESS && save &&
        !ReplaceFileContents(HivePath(root).string(), hive.Format(kRootNames[root]), 0600))
        return ERROR_CANTWRITE;
    return result;
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

std::string RegistryHiveFile(HKEY root) { return IsValidHandle(root) ? HivePath(root->root).string() : ""; }

LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    const std::string path = Join(parent, subKey);
    auto hive = std::make_shared<const RegistryHive>(SeenThrough(*parent));
    if (!hive->KeyExists(path))
        return ERROR_FILE_NOT_FOUND;
    *result = new RegKey{parent->root, path, false, {}, std::move(hive)};
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result, DWORD* disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    RegistryHive hive;
    if (!LoadHive(parent->root, hive))
        return ERROR_CANTREAD;
    Apply(hive, *parent);
    const std::string path = Join(parent, subKey);
    const bool created = !hive.KeyExists(path);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    const bool section = hive.FindKey(path) != nullptr;
    *result = new RegKey{parent->root, path, false, {},
                         std::make_shared<const RegistryHive>(std::move(hive))};
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
    RegistryHive hive = SeenThrough(*key);
    RegKeyData* found = hive.FindKey(key->path);
    const RegValue* value = found ? RegistryHive::FindValue(*found, valueName ? valueName : "") : nullptr;
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
    RegistryHive hive = SeenThrough(*key);
    RegKeyData* target = hive.FindKey(key->path);
    if (!target || !RegistryHive::FindValue(*target, name))
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

LONG RegDeleteKey(HKEY parent, const char* subKey) { return DeleteKey(parent, subKey, false); }
LONG RegDeleteTree(HKEY parent, const char* subKey) { return DeleteKey(parent, subKey, true); }

} // namespace plat
