#pragma once
// The in-memory form of one root key's hive and its text, used by Registry.cpp.
//
// A hive is a list of keys (paths below the root, components joined by '\') each with its
// values. The text form is what regedit writes: a header ("REGEDIT4", or "Windows Registry
// Editor Version 5.00" in a file exported from Windows, which is UTF-16 with a byte-order
// mark), then one "[ROOT\path]" section per key with lines "name"=dword:0000002a,
// "name"="text", or "name"=hex(N):0a,0b for bytes that the quoted form cannot carry.
//
// Parsing takes every well-formed line and keeps every other one (comments, damaged or unknown
// lines, sections of other root keys) as it stands, so that writing the hive back loses
// nothing a person put into the file: each kept line goes back after the value it followed,
// and the file keeps its header, encoding and line ends. Reading is linear in the file's size.
// A file that holds no header and no section of its root is not a hive at all (Readable()).
#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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
    // The lines of the section that are not values read here, each with the number of values
    // before it.
    std::vector<std::pair<std::size_t, std::string>> kept;
    // The header line of a section of another root key, or one that cannot be read, which is
    // kept whole and never found; "" for a key of this hive.
    std::string foreignHeader;
};

class RegistryHive {
  public:
    // `bytes` as the file holds them: UTF-8, or UTF-16 with its byte-order mark.
    static RegistryHive Parse(std::string_view bytes, std::string_view rootName);
    // The file's bytes, in the header, encoding and line ends the hive was read with.
    std::string Format(std::string_view rootName) const;
    // Whether the bytes parsed were a hive: empty, or with a header or a section of the root.
    bool Readable() const { return m_readable; }

    // A key exists when it has a section or is the parent of one; the root always exists.
    bool KeyExists(std::string_view path) const;
    bool HasSubkeys(std::string_view path) const;
    RegKeyData* FindKey(std::string_view path);
    const RegKeyData* FindKey(std::string_view path) const;
    RegKeyData& CreateKey(std::string_view path);
    // Removes the key and, with `withSubkeys`, every key below it.
    void DeleteKey(std::string_view path, bool withSubkeys);

    static RegValue* FindValue(RegKeyData& key, std::string_view name);
    static const RegValue* FindValue(const RegKeyData& key, std::string_view name);
    // Sets a value; one that exists keeps its place and the spelling of its name.
    static void SetValue(RegKeyData& key, RegValue value);
    // Removes a value; the lines kept after it stay where they were.
    static bool DeleteValue(RegKeyData& key, std::string_view name);
    static bool NamesEqual(std::string_view a, std::string_view b);
    // "a\\b\" and "\a\b" become "a\b".
    static std::string NormalizePath(std::string_view path);

    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

  private:
    std::size_t Add(RegKeyData key);
    void Reindex();

    std::vector<RegKeyData> m_keys;
    // The keys of this hive by their path in one letter case.
    std::unordered_map<std::string, std::size_t> m_index;
    std::string m_header = "REGEDIT4";
    std::vector<std::string> m_preamble; // lines between the header and the first section
    Encoding m_encoding = Encoding::Utf8;
    bool m_crlf = false;
    bool m_readable = true;
};

} // namespace plat
