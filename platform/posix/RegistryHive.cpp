#include "platform/posix/RegistryHive.h"

#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace plat {
namespace {

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
        const auto [end, ec] = std::from_chars(
            text.data() + pos, text.data() + std::min(text.size(), pos + 2), value, 16);
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

// The length of the UTF-8 sequence that starts with `lead`; 0 when no sequence starts so.
std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead >> 5) == 6)
        return 2;
    if ((lead >> 4) == 14)
        return 3;
    return (lead >> 3) == 30 ? 4 : 0;
}

// Whether `text` is whole UTF-8, which a UTF-16 file can carry unchanged.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// A REG_SZ can be written in the quoted form when it ends in its only NUL and holds no
// control character that would break the line; in a UTF-16 file, only when it is UTF-8.
bool FitsQuoted(const std::vector<BYTE>& data, bool unicode) {
    if (data.empty() || data.back() != 0)
        return false;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; }) &&
           (!unicode || IsUtf8(text));
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

std::string FormatData(const RegValue& value, bool unicode) {
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t n = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<std::uint32_t>(value.data[3]) << 24;
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    if (value.type == REG_SZ && FitsQuoted(value.data, unicode))
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

std::string Folded(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
    return folded;
}

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 bytes (without their byte-order mark) as UTF-8; a lone surrogate becomes U+FFFD.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]),
                   b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// UTF-8 as UTF-16 bytes with their byte-order mark; a byte that starts no character becomes
// U+FFFD (values that are not UTF-8 are written as hex lists, so only a damaged line can have one).
std::string EncodeUtf16(std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    const auto put = [&](char32_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(lead);
        if (length == 0 || i + length > text.size() || !IsUtf8(text.substr(i, length))) {
            put(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// Calls `line(trimmed, raw)` for each line of the text, with regedit's continued hex lists (a
// trailing backslash) joined: `trimmed` is the joined text without the line breaks, the
// backslashes and the spaces around each piece, `raw` the lines as they stand (joined by
// '\n'). `crlf` becomes whether the lines end in "\r\n".
template <typename Line> void ForEachLine(std::string_view text, bool& crlf, Line line) {
    std::string joined, raw;
    bool continued = false;
    for (std::size_t pos = 0; pos < text.size();) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view physical = text.substr(pos, end - pos);
        pos = end + 1;
        if (physical.ends_with('\r')) {
            physical.remove_suffix(1);
            crlf = true;
        }
        const std::string_view trimmed = Trim(physical);
        // Only the first piece says whether this is a hex list, so a long list is looked at once.
        if (!continued &&
            (trimmed.find("\"=hex") != std::string_view::npos || trimmed.starts_with("@=hex")) &&
            trimmed.ends_with('\\')) {
            continued = true;
            joined.assign(trimmed.substr(0, trimmed.size() - 1));
            raw.assign(physical);
            continue;
        }
        if (continued) {
            const bool more = trimmed.ends_with('\\');
            joined.append(trimmed.substr(0, trimmed.size() - (more ? 1 : 0)));
            raw.append("\n").append(physical);
            if (more)
                continue;
            continued = false;
            line(std::string_view(joined), std::string_view(raw));
            continue;
        }
        line(trimmed, physical);
    }
    if (continued)
        line(std::string_view(joined), std::string_view(raw));
}

// A value line: "name"=data or @=data.
bool ParseValue(std::string_view line, RegValue& value) {
    std::size_t at = 0;
    if (line.front() == '@')
        at = 1;
    else if (!ParseQuoted(line, at, value.name))
        return false;
    if (at >= line.size() || line[at] != '=')
        return false;
    return ParseData(Trim(line.substr(at + 1)), value);
}

} // namespace

bool RegistryHive::NamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Fold(x) == Fold(y); });
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

RegistryHive RegistryHive::Parse(std::string_view bytes, std::string_view rootName) {
    RegistryHive hive;
    std::string decoded;
    std::string_view text = bytes;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes.front() == '\xFE';
        hive.m_encoding = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        decoded = DecodeUtf16(bytes.substr(2), bigEndian);
        text = decoded;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        hive.m_encoding = Encoding::Utf8Bom;
        text.remove_prefix(3);
    }

    bool sawContent = false, sawHeader = false, sawSection = false;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t current = kNone;
    // Each key's values by their name in one letter case, while they are read.
    std::vector<std::unordered_map<std::string, std::size_t>> valueIndex;
    ForEachLine(text, hive.m_crlf, [&](std::string_view line, std::string_view raw) {
        if (line.empty())
            return;
        const bool first = !sawContent;
        sawContent = true;
        if (first && (line == "REGEDIT4" || line == kVersion5Header)) {
            hive.m_header = line;
            sawHeader = true;
            return;
        }
        if (line.front() == '[') {
            std::string_view path =
                line.size() > 1 && line.back() == ']' ? line.substr(1, line.size() - 2) : "";
            const bool ours = NamesEqual(path.substr(0, rootName.size()), rootName) &&
                              (path.size() == rootName.size() || path[rootName.size()] == '\\');
            if (ours) {
                path.remove_prefix(rootName.size());
                const RegKeyData& key = hive.CreateKey(path);
                current = static_cast<std::size_t>(&key - hive.m_keys.data());
                sawSection = true;
            } else {
                current = hive.Add(RegKeyData{{}, {}, {}, std::string(raw)});
            }
            return;
        }
        if (current == kNone) {
            hive.m_preamble.emplace_back(raw);
            return;
        }
        RegKeyData& key = hive.m_keys[current];
        RegValue value;
        if (!key.foreignHeader.empty() || line.front() == ';' || !ParseValue(line, value)) {
            key.kept.emplace_back(key.values.size(), raw);
            return;
        }
        if (valueIndex.size() <= current)
            valueIndex.resize(current + 1);
        const auto [found, added] =
            valueIndex[current].try_emplace(Folded(value.name), key.values.size());
        if (added)
            key.values.push_back(std::move(value));
        else
            key.values[found->second] = std::move(value);
    });
    hive.m_readable = !sawContent || sawHeader || sawSection;
    return hive;
}

std::string RegistryHive::Format(std::string_view rootName) const {
    const bool unicode = m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be;
    const std::string_view eol = m_crlf ? "\r\n" : "\n";
    std::string out;
    const auto put = [&](std::string_view line) {
        // A kept hex list of several lines goes back with the file's own line ends.
        for (std::size_t pos = 0;;) {
            const auto end = line.find('\n', pos);
            out.append(line.substr(pos, end == std::string_view::npos ? std::string_view::npos
                                                                      : end - pos));
            out.append(eol);
            if (end == std::string_view::npos)
                break;
            pos = end + 1;
        }
    };
    put(m_header);
    for (const std::string& line : m_preamble)
        put(line);
    for (const auto& key : m_keys) {
        out.append(eol);
        if (!key.foreignHeader.empty())
            put(key.foreignHeader);
        else
            put("[" + std::string(rootName) + (key.path.empty() ? "" : "\\" + key.path) + "]");
        auto kept = key.kept.begin();
        for (std::size_t i = 0; i <= key.values.size(); ++i) {
            for (; kept != key.kept.end() && (kept->first <= i || i == key.values.size()); ++kept)
                put(kept->second);
            if (i < key.values.size()) {
                const RegValue& value = key.values[i];
                put((value.name.empty() ? std::string("@") : Quote(value.name)) + "=" +
                    FormatData(value, unicode));
            }
        }
    }
    switch (m_encoding) {
    case Encoding::Utf8:
        return out;
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + out;
    case Encoding::Utf16Le:
        return EncodeUtf16(out, false);
    case Encoding::Utf16Be:
        return EncodeUtf16(out, true);
    }
    return out;
}

bool RegistryHive::KeyExists(std::string_view path) const {
    const std::string p = NormalizePath(path);
    return p.empty() || FindKey(p) || HasSubkeys(p);
}

bool RegistryHive::HasSubkeys(std::string_view path) const {
    const std::string p = NormalizePath(path);
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const RegKeyData& k) {
        if (!k.foreignHeader.empty())
            return false;
        if (p.empty())
            return !k.path.empty();
        return k.path.size() > p.size() && k.path[p.size()] == '\\' &&
               NamesEqual(std::string_view(k.path).substr(0, p.size()), p);
    });
}

const RegKeyData* RegistryHive::FindKey(std::string_view path) const {
    const auto found = m_index.find(Folded(NormalizePath(path)));
    return found == m_index.end() ? nullptr : &m_keys[found->second];
}

RegKeyData* RegistryHive::FindKey(std::string_view path) {
    return const_cast<RegKeyData*>(std::as_const(*this).FindKey(path));
}

RegKeyData& RegistryHive::CreateKey(std::string_view path) {
    if (RegKeyData* key = FindKey(path))
        return *key;
    return m_keys[Add(RegKeyData{NormalizePath(path), {}, {}, {}})];
}

std::size_t RegistryHive::Add(RegKeyData key) {
    const std::size_t at = m_keys.size();
    if (key.foreignHeader.empty())
        m_index.emplace(Folded(key.path), at);
    m_keys.push_back(std::move(key));
    return at;
}

void RegistryHive::Reindex() {
    m_index.clear();
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].foreignHeader.empty())
            m_index.emplace(Folded(m_keys[i].path), i);
}

void RegistryHive::DeleteKey(std::string_view path, bool withSubkeys) {
    const std::string p = NormalizePath(path);
    std::erase_if(m_keys, [&](const RegKeyData& k) {
        if (!k.foreignHeader.empty())
            return false;
        return NamesEqual(k.path, p) ||
               (withSubkeys && k.path.size() > p.size() && k.path[p.size()] == '\\' &&
                NamesEqual(std::string_view(k.path).substr(0, p.size()), p));
    });
    Reindex();
}

const RegValue* RegistryHive::FindValue(const RegKeyData& key, std::string_view name) {
    for (const auto& value : key.values)
        if (NamesEqual(value.name, name))
            return &value;
    return nullptr;
}

RegValue* RegistryHive::FindValue(RegKeyData& key, std::string_view name) {
    return const_cast<RegValue*>(FindValue(std::as_const(key), name));
}

void RegistryHive::SetValue(RegKeyData& key, RegValue value) {
    if (RegValue* existing = FindValue(key, value.name))
        *existing = RegValue{existing->name, value.type, std::move(value.data)};
    else
        key.values.push_back(std::move(value));
}

bool RegistryHive::DeleteValue(RegKeyData& key, std::string_view name) {
    const RegValue* value = FindValue(key, name);
    if (!value)
        return false;
    const auto at = static_cast<std::size_t>(value - key.values.data());
    key.values.erase(key.values.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [before, line] : key.kept)
        if (before > at)
            --before;
    return true;
}

} // namespace plat
