#include "platform/shell/ShellMalloc.h"

#include "platform/com/RefCounted.h"

#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

class CShellMalloc final : public CRefCounted<IMalloc> {
  public:
    CShellMalloc() : CRefCounted(IID_IMalloc) {}

    void* Alloc(std::size_t size) override { return std::malloc(size ? size : 1); }
    void Free(void* block) override { std::free(block); }
};

// One allocator for the process: its own reference is never given up, so it is never deleted.
CShellMalloc& TheAllocator() {
    static CShellMalloc* const allocator = new CShellMalloc;
    return *allocator;
}

} // namespace

HRESULT SHGetMalloc(IMalloc** ppMalloc) {
    if (!ppMalloc)
        return E_INVALIDARG;
    *ppMalloc = &TheAllocator();
    (*ppMalloc)->AddRef();
    return S_OK;
}

void ILFree(LPITEMIDLIST pidl) {
    TheAllocator().Free(pidl);
}

LPITEMIDLIST ILFromItemBytes(std::string_view items) {
    auto* bytes = static_cast<BYTE*>(TheAllocator().Alloc(items.size() + 2));
    if (!bytes)
        return nullptr;
    std::memcpy(bytes, items.data(), items.size());
    bytes[items.size()] = 0;
    bytes[items.size() + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(bytes);
}

} // namespace plat
