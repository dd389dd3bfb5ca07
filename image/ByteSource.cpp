#include "image/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vtlimage {

namespace {

constexpr std::size_t kPiece = 64u << 10;

class CFileBytes final : public CByteSource {
  public:
    CFileBytes(int fd, std::uint64_t size) : m_fd(fd), m_nSize(size) {}
    ~CFileBytes() override { close(m_fd); }
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;

    std::uint64_t Size() const override { return m_nSize; }
    bool Read(std::uint64_t at, std::size_t n, std::uint8_t* out) const override {
        if (at > m_nSize || n > m_nSize - at)
            return false;
        while (n > 0) {
            const ssize_t got = pread(m_fd, out, n, static_cast<off_t>(at));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            out += got;
            at += static_cast<std::uint64_t>(got);
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

  private:
    const int m_fd;
    const std::uint64_t m_nSize;
};

} // namespace

bool CMemoryBytes::Read(std::uint64_t at, std::size_t n, std::uint8_t* out) const {
    if (at > m_bytes.size() || n > m_bytes.size() - at)
        return false;
    std::memcpy(out, m_bytes.data() + at, n);
    return true;
}

std::unique_ptr<CByteSource> OpenFileBytes(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<CFileBytes>(fd, static_cast<std::uint64_t>(info.st_size));
}

CByteCursor::CByteCursor(const CByteSource& source, std::uint64_t at, std::uint64_t end)
    : m_source(source), m_nAt(at), m_nEnd(std::min(end, source.Size())) {}

bool CByteCursor::Fill() {
    if (m_nAt >= m_nEnd)
        return false;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, m_nEnd - m_nAt));
    m_buffer.resize(n);
    if (!m_source.Read(m_nAt, n, m_buffer.data()))
        return false;
    m_nAt += n;
    m_nNext = 0;
    m_nFilled = n;
    return true;
}

} // namespace vtlimage
