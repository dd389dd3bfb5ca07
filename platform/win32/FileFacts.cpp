#include "platform/FileFacts.h"

#include "platform/win32/WindowsApi.h"

namespace plat {

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace plat
