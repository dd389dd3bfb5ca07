#pragma once
// The in-memory form of one root key's hive and its REGEDIT4 text, used by Registry.cpp.
//
// A hive is a list of keys (paths below the root, components joined by '\') each with its
// values. The text form is what regedit writes: "REGEDIT4", then one "[ROOT\path]" section
// per key with lines "name"=dword:0000002a, "name"="text", or "name"=hex(N):0a,0b for bytes
// that the quoted form cannot carry. Parsing takes every well-formed line and skips the
// rest, so a damaged or cut file still yields its good keys and values.
#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct RegValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct RegKeyData {
    std::string path;
    std::vector<RegValue> values;
};

class RegistryHive {
public:
    static RegistryHive Parse(std::string_view text, std::string_view rootName);
    std::string Format(std::string_view rootName) const;

    // A key exists when it has a section or is the parent of one; the root always exists.
    bool KeyExists(std::string_view path) const;
    bool HasSubkeys(std::string_view path) const;
    RegKeyData* FindKey(std::string_view path);
    RegKeyData& CreateKey(std::string_view path);
    // Removes the key and, with `withSubkeys`, every key below it.
    void DeleteKey(std::string_view path, bool withSubkeys);

    static RegValue* FindValue(RegKeyData& key, std::string_view name);
    static bool NamesEqual(std::string_view a, std::string_view b);
    // "a\\b\" and "\a\b" become "a\b".
    static std::string NormalizePath(std::string_view path);

private:
    std::vector<RegKeyData> m_keys;
};

} // namespace plat
