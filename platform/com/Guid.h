#pragma once
// GUIDs with the Windows layout and the registry's string form: braced, upper case,
// "{AE82044E-6E72-473E-A2AF-F732CB431E80}". Plain values; any thread may use them.
#include <cstdint>
#include <optional>
#include <string>

#ifdef _WIN32
#include "platform/win32/WindowsApi.h"

namespace plat {

using ::CLSID;
using ::GUID;
using ::IID;
using ::REFCLSID;
using ::REFIID;

#else
namespace plat {

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
#endif

// The braced upper-case form (StringFromGUID2).
std::string GuidToString(const GUID& guid);
// Parses the braced form in either letter case (CLSIDFromString); nothing on a malformed text.
std::optional<GUID> GuidFromString(const std::string& text);

} // namespace plat
