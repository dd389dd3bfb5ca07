#include "platform/RegistryHive.h"

#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace plat {
namespace {

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsBelow(std::string_view path, std::string_view parent) {
    if (parent.empty())
        return !path.empty();
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           RegistryHive::NamesEqual(path.substr(0, parent.size()), parent);
}

// Reads a quoted text starting at text[pos] == '"'; leaves pos after the closing quote.
bool ParseQuoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return false;
        }
        out += text[pos];
    }
    return false;
}

bool ParseHexBytes(std::string_view text, std::vector<BYTE>& out) {
    out.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == ','))
            ++pos;
        if (pos >= text.size())
            break;
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data() + pos, text.data() + std::min(text.size(), pos + 2), value, 16);
        if (ec != std::errc() || end != text.data() + pos + 2)
            return false;
        out.push_back(static_cast<BYTE>(value));
        pos += 2;
    }
    return true;
}

// Parses the part after '=' of a value line.
bool ParseData(std::string_view text, RegValue& value) {
    if (text.starts_with("\"")) {
        std::size_t pos = 0;
        std::string s;
        if (!ParseQuoted(text, pos, s) || pos != text.size())
            return false;
        value.type = REG_SZ;
        value.data.assign(s.begin(), s.end());
        value.data.push_back(0);
        return true;
    }
    if (text.starts_with("dword:")) {
        const auto digits = text.substr(6);
        std::uint32_t n = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
        if (digits.empty() || digits.size() > 8 || ec != std::errc() ||
            end != digits.data() + digits.size())
            return false;
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                      static_cast<BYTE>(n >> 24)};
        return true;
    }
    if (text.starts_with("hex:")) {
        value.type = REG_BINARY;
        return ParseHexBytes(text.substr(4), value.data);
    }
    if (text.starts_with("hex(")) {
        const auto close = text.find("):");
        if (close == std::string_view::npos)
            return false;
        DWORD type = 0;
        const auto [end, ec] = std::from_chars(text.data() + 4, text.data() + close, type, 16);
        if (ec != std::errc() || end != text.data() + close)
            return false;
        value.type = type;
        return ParseHexBytes(text.substr(close + 2), value.data);
    }
    return false;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// A REG_SZ can be written in the quoted form when it ends in its only NUL and holds no
// control character that would break the line.
bool FitsQuoted(const std::vector<BYTE>& data) {
    if (data.empty() || data.back() != 0)
        return false;
    return std::none_of(data.begin(), data.end() - 1, [](BYTE b) { return b < 0x20; });
}

std::string HexList(const std::vector<BYTE>& data) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", data[i]);
        out += buf;
    }
    return out;
}

std::string FormatData(const RegValue& value) {
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t n = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<std::uint32_t>(value.data[3]) << 24;
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    if (value.type == REG_SZ && FitsQuoted(value.data))
        return Quote(std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                      value.data.size() - 1));
    if (value.type == REG_BINARY)
        return "hex:" + HexList(value.data);
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
    return buf + HexList(value.data);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// The file's lines, with regedit's continued hex lists (a trailing backslash) joined.
std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string pending;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        pending += Trim(text.substr(pos, end - pos));
        pos = end + 1;
        const bool hexList = pending.find("\"=hex") != std::string::npos || pending.starts_with("@=hex");
        if (hexList && pending.ends_with("\\")) {
            pending.pop_back();
            continue;
        }
        lines.push_back(std::move(pending));
        pending.clear();
    }
    if (!pending.empty())
        lines.push_back(std::move(pending));
    return lines;
}

} // namespace

bool RegistryHive::NamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

std::string RegistryHive::NormalizePath(std::string_view path) {
    std::string out;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        auto next = path.find('\\', pos);
        if (next == std::string_view::npos)
            next = path.size();
        if (next > pos) {
            if (!out.empty())
                out += '\\';
            out += path.substr(pos, next - pos);
        }
        pos = next + 1;
    }
    return out;
}

RegistryHive RegistryHive::Parse(std::string_view text, std::string_view rootName) {
    RegistryHive hive;
    RegKeyData* current = nullptr;
    for (const std::string& logical : LogicalLines(text)) {
        const std::string_view line = logical;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() != ']')
                continue;
            std::string_view path = line.substr(1, line.size() - 2);
            if (!NamesEqual(path.substr(0, rootName.size()), rootName))
                continue;
            path.remove_prefix(rootName.size());
            if (!path.empty() && path.front() != '\\')
                continue;
            current = &hive.CreateKey(path);
            continue;
        }
        if (!current)
            continue;
        RegValue value;
        std::size_t at = 0;
        if (line.front() == '@') {
            at = 1;
        } else if (!ParseQuoted(line, at, value.name)) {
            continue;
        }
        if (at >= line.size() || line[at] != '=')
            continue;
        if (!ParseData(Trim(line.substr(at + 1)), value))
            continue;
        if (RegValue* existing = FindValue(*current, value.name))
            *existing = std::move(value);
        else
            current->values.push_back(std::move(value));
    }
    return hive;
}

std::string RegistryHive::Format(std::string_view rootName) const {
    std::string out = "REGEDIT4\n";
    for (const auto& key : m_keys) {
        out += "\n[";
        out += rootName;
        if (!key.path.empty())
            out += "\\" + key.path;
        out += "]\n";
        for (const auto& value : key.values)
            out += (value.name.empty() ? std::string("@") : Quote(value.name)) + "=" + FormatData(value) + "\n";
    }
    return out;
}

bool RegistryHive::KeyExists(std::string_view path) const {
    const std::string p = NormalizePath(path);
    if (p.empty())
        return true;
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const RegKeyData& k) {
        return NamesEqual(k.path, p) || IsBelow(k.path, p);
    });
}

bool RegistryHive::HasSubkeys(std::string_view path) const {
    const std::string p = NormalizePath(path);
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const RegKeyData& k) { return IsBelow(k.path, p); });
}

RegKeyData* RegistryHive::FindKey(std::string_view path) {
    const std::string p = NormalizePath(path);
    for (auto& key : m_keys)
        if (NamesEqual(key.path, p))
            return &key;
    return nullptr;
}

RegKeyData& RegistryHive::CreateKey(std::string_view path) {
    if (RegKeyData* key = FindKey(path))
        return *key;
    m_keys.push_back(RegKeyData{NormalizePath(path), {}});
    return m_keys.back();
}

void RegistryHive::DeleteKey(std::string_view path, bool withSubkeys) {
    const std::string p = NormalizePath(path);
    std::erase_if(m_keys, [&](const RegKeyData& k) {
        return NamesEqual(k.path, p) || (withSubkeys && IsBelow(k.path, p));
    });
}

RegValue* RegistryHive::FindValue(RegKeyData& key, std::string_view name) {
    for (auto& value : key.values)
        if (NamesEqual(value.name, name))
            return &value;
    return nullptr;
}

} // namespace plat
