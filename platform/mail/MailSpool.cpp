#include "platform/mail/MailSpool.h"

#include "platform/Paths.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plat {
namespace {

constexpr auto SPOOL_LIFETIME = std::chrono::hours(24 * 7);
// A spool folder is named "YYYYMMDD-HHMMSS-XXXXXX": the time it was made and mkdtemp's part.
constexpr std::size_t SPOOL_NAME_LENGTH = 22;

bool IsSpoolName(const std::string& name) {
    if (name.size() != SPOOL_NAME_LENGTH || name[8] != '-' || name[15] != '-')
        return false;
    for (std::size_t i = 0; i < 15; ++i)
        if (i != 8 && (name[i] < '0' || name[i] > '9'))
            return false;
    return true;
}

// Makes every missing folder of `path` with mode 0700, then insists that the last one is a
// real folder of this user: the spool holds the user's pictures.
bool MakePrivateFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat facts {};
    return lstat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) && facts.st_uid == getuid();
}

bool WriteAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, static_cast<std::size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// Copies the open regular file `in` into a new file at `target`.
ULONG CopyInto(int in, const std::string& target) {
    const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0)
        return MAPI_E_ATTACHMENT_WRITE_FAILURE;
    ULONG result = SUCCESS_SUCCESS;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result = MAPI_E_ATTACHMENT_OPEN_FAILURE;
            break;
        }
        if (got == 0)
            break;
        if (!WriteAll(out, buffer, got)) {
            result = MAPI_E_ATTACHMENT_WRITE_FAILURE;
            break;
        }
    }
    if (close(out) != 0 && result == SUCCESS_SUCCESS)
        result = MAPI_E_ATTACHMENT_WRITE_FAILURE;
    return result;
}

} // namespace

CMailSpool::~CMailSpool() {
    if (m_bKeep || m_strFolder.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_strFolder, ec);
}

std::string CMailSpool::OutboxFolder() {
    return GetUserCacheFolder() + "/vantrel/outbox";
}

void CMailSpool::SweepOld() {
    const auto cutoff = fs::file_time_type::clock::now() - SPOOL_LIFETIME;
    std::error_code ec;
    for (fs::directory_iterator it(OutboxFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        // symlink_status: a link is never followed out of the outbox.
        std::error_code entryError;
        if (!fs::is_directory(it->symlink_status(entryError)) ||
            !IsSpoolName(it->path().filename().string()))
            continue;
        const auto written = fs::last_write_time(it->path(), entryError);
        if (!entryError && written < cutoff)
            fs::remove_all(it->path(), entryError);
    }
}

bool CMailSpool::Open() {
    if (!m_strFolder.empty())
        return true;
    const std::string outbox = OutboxFolder();
    if (!MakePrivateFolders(outbox))
        return false;
    char stamp[16];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string pattern = outbox + "/" + stamp + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return false;
    m_strFolder = pattern;
    return true;
}

std::size_t CMailSpool::CopyPathLength(int number, const std::string& name) {
    return OutboxFolder().size() + 1 + SPOOL_NAME_LENGTH + 1 + std::to_string(number).size() + 1 +
           name.size();
}

ULONG CMailSpool::Add(const std::string& source, const std::string& name, std::string& copy) {
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno == ENOENT || errno == ENOTDIR ? MAPI_E_ATTACHMENT_NOT_FOUND
                                                   : MAPI_E_ATTACHMENT_OPEN_FAILURE;
    ULONG result = SUCCESS_SUCCESS;
    struct stat facts {};
    if (fstat(in, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        result = MAPI_E_ATTACHMENT_OPEN_FAILURE;
    } else if (!Open()) {
        result = MAPI_E_ATTACHMENT_WRITE_FAILURE;
    } else {
        const std::string slot = m_strFolder + "/" + std::to_string(++m_nCount);
        if (mkdir(slot.c_str(), 0700) != 0) {
            result = MAPI_E_ATTACHMENT_WRITE_FAILURE;
        } else {
            copy = slot + "/" + name;
            result = CopyInto(in, copy);
        }
    }
    close(in);
    return result;
}

} // namespace plat
