#include "platform/com/HDropDataObject.h"

#include <new>

namespace plat {

CHDropDataObject::CHDropDataObject(std::vector<std::string> files) : m_files(std::move(files)) {}

CHDropDataObject* CHDropDataObject::Create(std::vector<std::string> files) {
    return new (std::nothrow) CHDropDataObject(std::move(files));
}

HRESULT CHDropDataObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CHDropDataObject::AddRef() { return ++m_refs; }

ULONG CHDropDataObject::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CHDropDataObject::QueryGetData(const FORMATETC* format) {
    if (!format)
        return E_POINTER;
    const bool ours = format->cfFormat == CF_HDROP && format->dwAspect == DVASPECT_CONTENT &&
                      (format->tymed & TYMED_HGLOBAL) != 0;
    return ours ? S_OK : DV_E_FORMATETC;
}

HRESULT CHDropDataObject::GetData(const FORMATETC* format, STGMEDIUM* medium) {
    if (!medium)
        return E_POINTER;
    const HRESULT hr = QueryGetData(format);
    if (FAILED(hr))
        return hr;
    HGLOBAL mem = MakeHDrop(m_files);
    if (!mem)
        return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = mem;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

} // namespace plat
