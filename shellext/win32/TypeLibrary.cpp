#include "shellext/win32/TypeLibrary.h"

#include "shellext/VtlExtIds.h"
#include "shellext/VtlShellEx.h"

#include <mutex>

namespace vtlext {

namespace {

constexpr WORD kMajor = 1;
constexpr WORD kMinor = 0;
constexpr LCID kLocale = 0x409;

// The loaded type information, kept until the module is unloaded.
class CTypeInfoCache {
  public:
    ~CTypeInfoCache() {
        if (m_info)
            m_info->Release();
    }
    HRESULT Get(ITypeInfo** info) {
        std::lock_guard lock(m_lock);
        if (!m_info) {
            ITypeLib* library = nullptr;
            HRESULT hr = ::LoadRegTypeLib(LIBID_VTLEXTLib, kMajor, kMinor, kLocale, &library);
            if (FAILED(hr))
                return hr;
            hr = library->GetTypeInfoOfGuid(IID_IVtlShellEx, &m_info);
            library->Release();
            if (FAILED(hr))
                return hr;
        }
        m_info->AddRef();
        *info = m_info;
        return S_OK;
    }

  private:
    std::mutex m_lock;
    ITypeInfo* m_info = nullptr;
};

CTypeInfoCache g_typeInfo;

} // namespace

HRESULT RegisterTypeLibrary(const std::string& modulePath) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, modulePath.c_str(), -1, nullptr, 0);
    std::wstring path(length > 0 ? length : 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, modulePath.c_str(), -1, path.data(), length);
    ITypeLib* library = nullptr;
    const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
    if (library)
        library->Release();
    return hr;
}

HRESULT UnregisterTypeLibrary() {
    const HRESULT hr = ::UnRegisterTypeLib(LIBID_VTLEXTLib, kMajor, kMinor, kLocale, SYS_WIN64);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}

void NotifyAssociationsChanged() {
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

HRESULT GetVtlShellExTypeInfo(ITypeInfo** info) {
    return g_typeInfo.Get(info);
}

HRESULT CVtlShellEx::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT CVtlShellEx::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo)
        return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0)
        return DISP_E_BADINDEX;
    return GetVtlShellExTypeInfo(ppTInfo);
}

namespace {

// Hands the registered type information to `use` for a call on the default interface id, the
// only one a dispatch face of ours answers.
template <typename Use> HRESULT WithTypeInfo(REFIID riid, Use use) {
    if (!(riid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = GetVtlShellExTypeInfo(&info);
    if (FAILED(hr))
        return hr;
    hr = use(info);
    info->Release();
    return hr;
}

} // namespace

HRESULT CVtlShellEx::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                   DISPID* rgDispId) {
    return WithTypeInfo(riid, [&](ITypeInfo* info) {
        return ::DispGetIDsOfNames(info, rgszNames, cNames, rgDispId);
    });
}

HRESULT CVtlShellEx::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
    return WithTypeInfo(riid, [&](ITypeInfo* info) {
        return ::DispInvoke(static_cast<IVtlShellEx*>(this), info, dispIdMember, wFlags,
                            pDispParams, pVarResult, pExcepInfo, puArgErr);
    });
}

} // namespace vtlext
