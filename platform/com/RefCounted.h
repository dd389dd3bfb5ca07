#pragma once
// CRefCounted: the IUnknown part of our COM-shaped objects that offer one interface: a
// reference count that deletes the object at zero, and the QueryInterface of that one
// interface. Any thread may count references.
#include "platform/com/Unknown.h"

#include <atomic>

namespace plat {

template <class Interface> class CRefCounted : public Interface {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == m_iid) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

  protected:
    explicit CRefCounted(const IID& iid) : m_iid(iid) {}
    virtual ~CRefCounted() = default;

  private:
    const IID& m_iid;
    std::atomic<ULONG> m_refs{1};
};

} // namespace plat
