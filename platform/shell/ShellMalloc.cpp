#include "platform/shell/ShellMalloc.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

class CShellMalloc final : public IMalloc {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *ppv = static_cast<IMalloc*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; }

    void* Alloc(std::size_t size) override { return std::malloc(size ? size : 1); }
    void Free(void* block) override { std::free(block); }

  private:
    std::atomic<ULONG> m_refs{1};
};

CShellMalloc& TheAllocator() {
    static CShellMalloc allocator;
    return allocator;
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
