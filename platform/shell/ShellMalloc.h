#pragma once
// The shell allocator (SHGetMalloc): every item list the namespace hands out comes from it, and
// whoever receives one frees it with it. One allocator serves the whole process; its reference
// count is kept for the COM shape, but it is never destroyed. Any thread.
#include "platform/com/Unknown.h"
#include "platform/shell/ItemIdList.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace plat {

// {00000002-0000-0000-C000-000000000046}
constexpr IID IID_IMalloc = {
    0x00000002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IMalloc : public IUnknown {
  public:
    // Null when the memory cannot be had.
    virtual void* Alloc(std::size_t size) = 0;
    // Null is allowed and ignored.
    virtual void Free(void* block) = 0;

  protected:
    ~IMalloc() = default;
};

HRESULT SHGetMalloc(IMalloc** ppMalloc);

// Frees a list with the shell allocator; null is ignored.
void ILFree(LPITEMIDLIST pidl);

struct ILFreeDeleter {
    void operator()(ITEMIDLIST* pidl) const { ILFree(pidl); }
};
// An item list owned by its holder and freed with the shell allocator.
using PidlPtr = std::unique_ptr<ITEMIDLIST, ILFreeDeleter>;

// A new list from item bytes (without terminator), allocated with the shell allocator; null
// when memory runs out.
LPITEMIDLIST ILFromItemBytes(std::string_view items);

} // namespace plat
