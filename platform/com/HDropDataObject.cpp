#include "platform/com/HDropDataObject.h"

#include <new>

namespace plat {

CHDropDataObject::CHDropDataObject(std::vector<std::string> files)
    : CRefCounted(IID_IDataObject), m_files(std::move(files)) {}

CHDropDataObject* CHDropDataObject::Create(std::vector<std::string> files) {
    return new (std::nothrow) CHDropDataObject(std::move(files));
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
