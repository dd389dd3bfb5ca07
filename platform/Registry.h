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
// keys), and says whether that worked. Changes through a predefined root handle, and deleting
// keys, are written at once.
//
// A damaged file yields what is readable in it. A file that cannot be read whole (not a plain
// file, unreadable, larger than 16 MiB) reads as empty and is never replaced: every change
// then fails with ERROR_CANTREAD, since the file may hold settings the user wants back.
// Any thread may call; a handle must not be shared between threads while it is being closed.
#include "platform/WinTypes.h"

#include <string>

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

LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result,
                    DWORD* disposition);
// Writes the handle's changes and frees it. ERROR_CANTREAD, ERROR_CANTWRITE or ERROR_KEY_DELETED
// (the key went away meanwhile) when they could not be written; the file is then as before.
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

} // namespace plat
