#pragma once
// The class factory of VtlShellEx. The module owns the one instance and holds one reference
// to it; while any caller holds a further reference the module stays locked (once, however
// many references callers hold). Hosts may call from several threads, so the reference count
// is kept under a lock.
#include "platform/com/Unknown.h"

#include <mutex>

namespace vtlext {

class CVtlShellExFactory final : public plat::IClassFactory {
  public:
    static CVtlShellExFactory& Instance();

    plat::HRESULT QueryInterface(plat::REFIID riid, void** ppv) override;
    plat::ULONG AddRef() override;
    plat::ULONG Release() override;
    plat::HRESULT CreateInstance(plat::IUnknown* outer, plat::REFIID riid, void** ppv) override;
    plat::HRESULT LockServer(plat::BOOL lock) override;

  private:
    CVtlShellExFactory() = default;
    ~CVtlShellExFactory() = default;

    std::mutex m_lock;
    plat::ULONG m_refs = 1; // the module's own reference
};

} // namespace vtlext
