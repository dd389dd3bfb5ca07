#include "app/batch/SafeSave.h"

#include "image/ximage.h"
#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The mode a newly created file gets under the process's umask. The umask is read from
// /proc, because reading it through umask() would change it for a moment under every other
// thread.
mode_t ModeForNewFile() {
    mode_t mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

} // namespace

bool SaveReplacing(CxImage& picture, const std::string& path, int format) {
    const plat::PathParts parts = plat::SplitPath(path);
    std::string pattern = parts.drive + parts.dir + ".vtl-save-XXXXXX";
    if (parts.dir.empty())
        pattern = "./" + pattern;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0)
        return false;
    close(fd);
    const std::string temporary(buffer.data());

    struct stat existing {};
    const mode_t mode = stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                           : ModeForNewFile();
    if (!picture.Save(temporary, format) || chmod(temporary.c_str(), mode) != 0 ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
