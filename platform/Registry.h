#pragma once
// A registry with the calls, result codes and value types of the Windows one, kept in one
// REGEDIT4 text file per root key under ${XDG_CONFIG_HOME:-~/.config}/vantrel/registry/.
//
// Key and value names compare case-insensitively and keep the spelling they were created
// with. Opening or creating a key reads the file, and the handle then answers from that
// reading, so loading a group of values reads the file once (open the key again to see what
// others wrote since); calls through a root handle read the file afresh. Reading never
// writes. The changes made through a key handle (creating it, setting and deleting values)
// are seen through that handle at once and reach the file when it is closed: RegCloseKey
// writes them all in one rewrite, through a temporary file renamed over the old one while
// holding an advisory lock (so two processes that save at the same time keep each other's
// keys), and says whether that worked. A lock that another process holds for more than five
// seconds fails the change with ERROR_LOCK_VIOLATION instead of waiting on. Changes through a
// predefined root handle, and deleting keys, are written at once.
//
// A damaged file yields what is readable in it, and a rewrite keeps the lines that could not
// be read (comments, damaged lines, other root keys) and the file's encoding (a UTF-16 export
// of regedit stays one). A file that is not a registry file at all reads as empty; the first
// change keeps it beside as "<file>.unreadable-<date>" before a fresh one is written, and
// TakeRegistryNotice tells about it. A file that cannot be read whole (not a plain file,
// unreadable, larger than 16 MiB) reads as empty and is never replaced: opening a key fails
// with ERROR_CANTREAD, and so does every change, since the file may hold settings the user
// wants back (RegistryHiveFault says why).
// Any thread may call; a handle must not be shared between threads while it is being closed.
#include "platform/WinTypes.h"

#include <string>

#ifdef _WIN32
// On Windows the registry is the real one: the handles, roots, result codes and value types
// are the Windows headers' own, and so are RegOpenKeyEx, RegCloseKey, RegDeleteValue,
// RegDeleteKey and RegDeleteTree. Three calls take the short forms below, which pass the
// reserved arguments and no class or security attributes.
namespace plat {

using ::HKEY;

inline LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access,
                           HKEY* result, DWORD* disposition) {
    return ::RegCreateKeyExA(parent, subKey, 0, nullptr, options, access, nullptr, result,
                             disposition);
}
inline LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                            DWORD* cbData) {
    return ::RegQueryValueExA(key, valueName, nullptr, type, data, cbData);
}
inline LONG RegSetValueEx(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                          DWORD cbData) {
    return ::RegSetValueExA(key, valueName, 0, type, data, cbData);
}

} // namespace plat

#else
namespace plat {

struct RegKey;
using HKEY = RegKey*;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_LOCK_VIOLATION = 33,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_CANTREAD = 1012,
    ERROR_CANTWRITE = 1013,
    ERROR_KEY_DELETED = 1018,
};

enum : DWORD { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

// Access rights are accepted for the shape of the calls; the store does not enforce them.
enum : DWORD { KEY_READ = 0x20019, KEY_WRITE = 0x20006, KEY_ALL_ACCESS = 0xF003F };
enum : DWORD { REG_OPTION_NON_VOLATILE = 0 };
enum : DWORD { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };

// ERROR_CANTREAD when the hive file is there but cannot be read.
LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result,
                    DWORD* disposition);
// Writes the handle's changes and frees it. ERROR_CANTREAD, ERROR_CANTWRITE, ERROR_LOCK_VIOLATION
// or ERROR_KEY_DELETED (the key went away meanwhile) when they could not be written; the file
// is then as before.
LONG RegCloseKey(HKEY key);

// data may be null to ask for the size. When *cbData is too small the result is
// ERROR_MORE_DATA, *cbData holds the size needed, and nothing is copied.
LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData);
LONG RegSetValueEx(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData);
LONG RegDeleteValue(HKEY key, const char* valueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKey(HKEY parent, const char* subKey);
// Deletes a key with all its subkeys.
LONG RegDeleteTree(HKEY parent, const char* subKey);

// The file that holds a root key's hive, for people and tests.
std::string RegistryHiveFile(HKEY root);
// The lock file a change of a root key's hive holds while it writes.
std::string RegistryLockFile(HKEY root);
// Why a root key's hive file cannot be read, in words for the user ("it is a FIFO, not a plain
// file"); "" when it can be, or when there is none.
std::string RegistryHiveFault(HKEY root);
// Once after a change set a file aside that was not a registry file: a message for the user
// that says where it was kept; "" otherwise.
std::string TakeRegistryNotice();

} // namespace plat
#endif
