#include "platform/Registry.h"

#include "platform/RegistryHive.h"
#include "platform/Paths.h"
#include "platform/ReplaceFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plat {

struct RegKey {
    int root;         // index into kRootNames
    std::string path; // below the root
    bool predefined;
};

namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

RegKey g_roots[] = {{0, "", true}, {1, "", true}, {2, "", true}};

// Larger hive files are not read: nothing this program stores comes near it.
constexpr std::size_t kMaxHiveBytes = 16 * 1024 * 1024;

fs::path RegistryFolder() { return fs::path(GetUserConfigFolder()) / "vantrel" / "registry"; }

fs::path HivePath(int root) { return RegistryFolder() / (std::string(kRootNames[root]) + ".reg"); }

// An advisory lock on a companion file, held for one call. Readers share it; a writer holds
// it alone from reading the hive to renaming the new one into place.
class HiveLock {
public:
    HiveLock(int root, bool exclusive) {
        std::error_code ec;
        fs::create_directories(RegistryFolder(), ec);
        m_fd = open((HivePath(root).string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            while (flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
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

RegistryHive LoadHive(int root) {
    std::string text;
    const int fd = open(HivePath(root).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[65536];
        ssize_t got;
        while (text.size() < kMaxHiveBytes && ((got = read(fd, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR)))
            if (got > 0)
                text.append(buf, static_cast<std::size_t>(got));
        close(fd);
    }
    return RegistryHive::Parse(text, kRootNames[root]);
}

bool SaveHive(int root, const RegistryHive& hive) {
    return ReplaceFileContents(HivePath(root).string(), hive.Format(kRootNames[root]), 0600);
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

// Runs `change` on the freshly read hive under the exclusive lock and saves when it asks to.
template <typename Change> LONG Modify(int root, Change change) {
    HiveLock lock(root, true);
    RegistryHive hive = LoadHive(root);
    bool save = false;
    const LONG result = change(hive, save);
    if (result == ERROR_SUCCESS && save && !SaveHive(root, hive))
        return ERROR_CANTWRITE;
    return result;
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
    HiveLock lock(parent->root, false);
    if (!LoadHive(parent->root).KeyExists(path))
        return ERROR_FILE_NOT_FOUND;
    *result = new RegKey{parent->root, path, false};
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result, DWORD* disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValidHandle(parent))
        return ERROR_INVALID_HANDLE;
    const std::string path = Join(parent, subKey);
    bool created = false;
    const LONG rc = Modify(parent->root, [&](RegistryHive& hive, bool& save) {
        created = !hive.KeyExists(path);
        if (!hive.FindKey(path) && !path.empty()) {
            hive.CreateKey(path);
            save = true;
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = new RegKey{parent->root, path, false};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    if (!key->predefined)
        delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    HiveLock lock(key->root, false);
    RegistryHive hive = LoadHive(key->root);
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
    const std::string name = valueName ? valueName : "";
    return Modify(key->root, [&](RegistryHive& hive, bool& save) {
        if (!hive.KeyExists(key->path))
            return ERROR_FILE_NOT_FOUND;
        RegKeyData& target = hive.CreateKey(key->path);
        RegValue* value = RegistryHive::FindValue(target, name);
        if (!value) {
            target.values.push_back(RegValue{name, 0, {}});
            value = &target.values.back();
        }
        value->type = type;
        value->data.assign(data, data + cbData);
        save = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const char* valueName) {
    if (!IsValidHandle(key))
        return ERROR_INVALID_HANDLE;
    const std::string name = valueName ? valueName : "";
    return Modify(key->root, [&](RegistryHive& hive, bool& save) {
        RegKeyData* target = hive.FindKey(key->path);
        if (!target || !RegistryHive::FindValue(*target, name))
            return ERROR_FILE_NOT_FOUND;
        std::erase_if(target->values, [&](const RegValue& v) { return RegistryHive::NamesEqual(v.name, name); });
        save = true;
        return ERROR_SUCCESS;
    });
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
