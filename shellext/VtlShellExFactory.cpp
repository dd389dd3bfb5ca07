#include "shellext/VtlShellExFactory.h"

#include "shellext/ExceptionBarrier.h"
#include "shellext/ModuleLock.h"
#include "shellext/VtlShellEx.h"

namespace vtlext {

using namespace plat;

CVtlShellExFactory& CVtlShellExFactory::Instance() {
    static CVtlShellExFactory factory;
    return factory;
}

HRESULT CVtlShellExFactory::QueryInterface(REFIID riid, void** ppv) {
    return ExceptionBarrier([&] {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    });
}

ULONG CVtlShellExFactory::AddRef() {
    std::lock_guard guard(m_lock);
    if (++m_refs == 2)
        CModuleLock::Lock();
    return m_refs;
}

ULONG CVtlShellExFactory::Release() {
    std::lock_guard guard(m_lock);
    // The module's own reference is never given up: the factory lives as long as the module.
    if (m_refs > 1 && --m_refs == 1)
        CModuleLock::Unlock();
    return m_refs;
}

HRESULT CVtlShellExFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    return ExceptionBarrier([&] { return CVtlShellEx::Create(outer, riid, ppv); });
}

HRESULT CVtlShellExFactory::LockServer(BOOL lock) {
    return ExceptionBarrier([&] {
        if (lock)
            CModuleLock::Lock();
        else
            CModuleLock::Unlock();
        return S_OK;
    });
}

} // namespace vtlext
