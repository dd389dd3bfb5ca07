#include "app/application/StartPoint.h"

#include <filesystem>

namespace fs = std::filesystem;

StartPoint FindStartPoint(const std::vector<std::string>& paths) {
    StartPoint start;
    for (const std::string& argument : paths) {
        std::error_code ec;
        fs::path path = fs::absolute(argument, ec).lexically_normal();
        if (!path.has_filename() && path != path.root_path())
            path = path.parent_path();
        const fs::file_status status = fs::status(path, ec);
        if (argument.empty() || !fs::exists(status)) {
            start.missing.push_back(argument);
            continue;
        }
        const bool isFolder = fs::is_directory(status);
        const std::string folder = isFolder ? path.string() : path.parent_path().string();
        if (start.folder.empty())
            start.folder = folder;
        if (!isFolder && folder == start.folder)
            start.pictures.push_back(path.string());
    }
    return start;
}
