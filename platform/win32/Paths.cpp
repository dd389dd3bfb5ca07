#include "platform/Paths.h"

#include "platform/win32/WindowsApi.h"

namespace plat {

namespace {

// The full path of a module; "" when it cannot be told or does not fit MAX_PATH.
std::string ModulePath(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(module, path, sizeof path);
    return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

} // namespace

std::string GetModuleFileName() {
    return ModulePath(nullptr);
}

std::string GetModuleFileNameOf(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<const char*>(address), &module))
        return {};
    return ModulePath(module);
}

std::string GetTempPath() {
    char path[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof path, path);
    return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':';
}

} // namespace plat
