#include "platform/RegistryString.h"

#include <cstring>

namespace plat {

std::optional<std::string> RegQueryPathString(HKEY key, const char* name) {
    char data[MAX_PATH];
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    const std::size_t length = strnlen(data, size);
    if (length >= sizeof data)
        return std::nullopt;
    return std::string(data, length);
}

} // namespace plat
