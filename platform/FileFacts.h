#pragma once
#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plat {

struct FileFacts {
    bool isDirectory = false;
    std::uint64_t size = 0;
    FILETIME lastWriteTime = 0;
    // Zero where the file system keeps no creation time.
    FILETIME creationTime = 0;
};

// As _access(path, 0): the path names something that exists.
bool FileExists(const std::string& path);
// As GetFileAttributes with FILE_ATTRIBUTE_DIRECTORY: the path names a folder (through a link).
bool FolderExists(const std::string& path);
// As _access(folder, 2): this process may make and replace files in the folder.
bool FolderWritable(const std::string& folder);
std::optional<FileFacts> GetFileFacts(const std::string& path);

// Seconds and nanoseconds since 1970 as FILETIME.
FILETIME UnixTimeToFileTime(std::int64_t seconds, std::int64_t nanoseconds);
// FILETIME as whole seconds since 1970.
std::int64_t FileTimeToUnixSeconds(FILETIME time);

} // namespace plat
