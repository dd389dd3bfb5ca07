#include "platform/com/GlobalMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace plat {

struct GlobalBlock {
    std::uint32_t magic;
    std::uint32_t locks;
    std::size_t size;
    alignas(std::max_align_t) unsigned char bytes[1];
};

namespace {

constexpr std::uint32_t kMagic = 0x474D454Du; // "GMEM"
constexpr std::uint32_t kFreed = 0x46524545u; // "FREE"

bool IsBlock(HGLOBAL mem) {
    return mem && mem->magic == kMagic;
}

} // namespace

HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes) {
    const std::size_t total = offsetof(GlobalBlock, bytes) + (bytes ? bytes : 1);
    void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, total) : std::malloc(total);
    if (!raw)
        return nullptr;
    auto* block = static_cast<GlobalBlock*>(raw);
    block->magic = kMagic;
    block->locks = 0;
    block->size = bytes;
    return block;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    if (!IsBlock(mem))
        return mem;
    mem->magic = kFreed;
    std::free(mem);
    return nullptr;
}

void* GlobalLock(HGLOBAL mem) {
    if (!IsBlock(mem))
        return nullptr;
    ++mem->locks;
    return mem->bytes;
}

bool GlobalUnlock(HGLOBAL mem) {
    if (!IsBlock(mem) || mem->locks == 0)
        return false;
    return --mem->locks > 0;
}

std::size_t GlobalSize(HGLOBAL mem) {
    return IsBlock(mem) ? mem->size : 0;
}

} // namespace plat
