#include "image/base/FileBytes.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace vtlimage {

namespace {

std::filesystem::path Utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes,
                                         std::uint64_t offset) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in)
        return std::nullopt;
    std::string bytes(maxBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(maxBytes));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(Utf8Path(path), error);
    if (error)
        return std::nullopt;
    return size;
}

std::optional<std::pair<std::uint64_t, std::int64_t>> FileStamp(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::pair{static_cast<std::uint64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                         info.st_mtim.tv_nsec};
}

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(Utf8Path(path), ignored);
}

bool WriteFileBytes(const std::string& path, const void* data, std::size_t size) {
    const std::filesystem::path target = Utf8Path(path);
    {
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (out)
            return true;
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return false;
}

} // namespace vtlimage
