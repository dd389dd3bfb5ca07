#include "shellext/Registration.h"

#include "platform/Registry.h"
#include "shellext/VtlExtIds.h"
#ifdef _WIN32
#include "shellext/win32/TypeLibrary.h"
#endif

#include <cstring>

namespace vtlext {

using namespace plat;

namespace {

constexpr const char* kApprovedKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

struct Entry {
    HKEY root;
    std::string key;
    const char* valueName; // null for the key's default value
    std::string data;
};

// Creates the key when needed and sets one REG_SZ value with its terminating NUL; both are
// written when the key is closed.
LONG WriteEntry(const Entry& entry) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(entry.root, entry.key.c_str(), REG_OPTION_NON_VOLATILE, KEY_WRITE,
                             &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueEx(key, entry.valueName, REG_SZ,
                       reinterpret_cast<const BYTE*>(entry.data.c_str()),
                       static_cast<DWORD>(entry.data.size() + 1));
    const LONG closed = RegCloseKey(key);
    return rc != ERROR_SUCCESS ? rc : closed;
}

LONG CreateEmptyKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    const LONG rc =
        RegCreateKeyEx(root, path.c_str(), REG_OPTION_NON_VOLATILE, KEY_WRITE, &key, nullptr);
    return rc != ERROR_SUCCESS ? rc : RegCloseKey(key);
}

// A key that is already gone counts as removed.
LONG DeleteTree(const std::string& path) {
    const LONG rc = RegDeleteTree(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

std::string ClassKey() {
    return "CLSID\\" + GuidToString(CLSID_VtlShellEx);
}

// The class's registry script. Its class key is force-remove: deleted whole before it is
// written, so it holds exactly these values afterwards, also over an older registration.
LONG ApplyScript(const std::string& modulePath) {
    const std::string clsid = GuidToString(CLSID_VtlShellEx);
    const std::string classKey = ClassKey();
    LONG rc = DeleteTree(classKey);
    if (rc != ERROR_SUCCESS)
        return rc;
    const Entry script[] = {
        {HKEY_CLASSES_ROOT, PROGID_VERSIONED, nullptr, CLASS_DESCRIPTION},
        {HKEY_CLASSES_ROOT, std::string(PROGID_VERSIONED) + "\\CLSID", nullptr, clsid},
        {HKEY_CLASSES_ROOT, PROGID_INDEPENDENT, nullptr, CLASS_DESCRIPTION},
        {HKEY_CLASSES_ROOT, std::string(PROGID_INDEPENDENT) + "\\CLSID", nullptr, clsid},
        {HKEY_CLASSES_ROOT, std::string(PROGID_INDEPENDENT) + "\\CurVer", nullptr,
         PROGID_VERSIONED},
        {HKEY_CLASSES_ROOT, classKey, nullptr, CLASS_DESCRIPTION},
        {HKEY_CLASSES_ROOT, classKey + "\\ProgID", nullptr, PROGID_VERSIONED},
        {HKEY_CLASSES_ROOT, classKey + "\\VersionIndependentProgID", nullptr, PROGID_INDEPENDENT},
        {HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr, modulePath},
        {HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, classKey + "\\TypeLib", nullptr, GuidToString(LIBID_VTLEXTLib)},
    };
    for (const Entry& entry : script)
        if ((rc = WriteEntry(entry)) != ERROR_SUCCESS)
            return rc;
    return CreateEmptyKey(HKEY_CLASSES_ROOT, classKey + "\\Programmable");
}

} // namespace

HRESULT CRegistration::Register(const std::string& modulePath) {
    const std::string clsid = GuidToString(CLSID_VtlShellEx);
    const std::string classKey = ClassKey();
    // The Approved entry belongs to the NT family of Windows, whose branch this system takes.
    const Entry handWritten[] = {
        {HKEY_CLASSES_ROOT, classKey, nullptr, HANDLER_NAME},
        {HKEY_CLASSES_ROOT, classKey + "\\InProcServer32", nullptr, modulePath},
        {HKEY_CLASSES_ROOT, classKey + "\\InProcServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, HANDLER_KEY, nullptr, clsid},
        {HKEY_LOCAL_MACHINE, kApprovedKey, clsid.c_str(), HANDLER_NAME},
    };
    for (const Entry& entry : handWritten)
        if (WriteEntry(entry) != ERROR_SUCCESS)
            break;
    // Applied once, and its result kept: HRESULT_FROM_WIN32 is a macro on Windows that reads
    // its argument twice, so given the call it would run the script twice and could pair the
    // first run's failure test with the second run's code.
    const LONG script = ApplyScript(modulePath);
    HRESULT result = HRESULT_FROM_WIN32(script);
#ifdef _WIN32
    if (SUCCEEDED(result))
        result = RegisterTypeLibrary(modulePath);
    NotifyAssociationsChanged();
#endif
    return result;
}

HRESULT CRegistration::Unregister() {
    const std::string clsid = GuidToString(CLSID_VtlShellEx);
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, HANDLER_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValue(key, nullptr);
        RegCloseKey(key);
        RegDeleteKey(HKEY_CLASSES_ROOT, HANDLER_KEY);
    }
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValue(key, clsid.c_str());
        RegCloseKey(key);
    }
#ifdef _WIN32
    NotifyAssociationsChanged();
#endif
    for (const std::string& path :
         {std::string(PROGID_VERSIONED), std::string(PROGID_INDEPENDENT), ClassKey()}) {
        const LONG rc = DeleteTree(path);
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
#ifdef _WIN32
    return UnregisterTypeLibrary();
#else
    return S_OK;
#endif
}

} // namespace vtlext
