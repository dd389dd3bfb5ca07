#include "image/base/LargeBuffer.h"

#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vtlimage {

namespace {

#ifdef __linux__
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this the pages saved do not pay for a mapping of its own.
constexpr std::size_t kLeastMapped = std::size_t{4} << 20;
#endif

} // namespace

void LargeBufferRelease::operator()(std::uint8_t* buffer) const {
#ifdef __linux__
    if (nMapped > 0) {
        munmap(buffer, nMapped);
        return;
    }
#endif
    delete[] buffer;
}

LargeBuffer AllocateLarge(std::size_t bytes) {
#ifdef __linux__
    if (bytes >= kLeastMapped && bytes <= SIZE_MAX - 2 * kHugePage) {
        // Huge pages need a 2 MB aligned start: map a page more and give back what lies
        // before the aligned start and after the end.
        const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            return LargeBuffer(nullptr, {});
        auto* const first = static_cast<std::uint8_t*>(mapped);
        auto* const start = reinterpret_cast<std::uint8_t*>(
            (reinterpret_cast<std::uintptr_t>(first) + kHugePage - 1) & ~(kHugePage - 1));
        const auto before = static_cast<std::size_t>(start - first);
        if (before > 0)
            munmap(first, before);
        munmap(start + length, kHugePage - before);
        // Advice only: where the kernel has no huge pages to give, ordinary pages serve.
        madvise(start, length, MADV_HUGEPAGE);
        return LargeBuffer(start, {length});
    }
#endif
    return LargeBuffer(new (std::nothrow) std::uint8_t[bytes], {});
}

} // namespace vtlimage
