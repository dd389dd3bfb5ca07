#include "platform/shell/PidlHelper.h"

#include "platform/Utf8.h"
#include "platform/shell/ShellInfo.h"

#include <algorithm>
#include <cstring>

namespace plat {

CPidlHelper::CPidlHelper() {
    SHGetDesktopFolder(&m_pDesktop);
    SHGetMalloc(&m_pMalloc);
}

CPidlHelper::~CPidlHelper() {
    if (m_pDesktop)
        m_pDesktop->Release();
    if (m_pMalloc)
        m_pMalloc->Release();
}

PidlPtr CPidlHelper::Allocate(std::size_t size) const {
    auto* bytes = static_cast<BYTE*>(m_pMalloc->Alloc(size));
    if (bytes)
        std::memset(bytes, 0, size);
    return PidlPtr(reinterpret_cast<LPITEMIDLIST>(bytes));
}

int CPidlHelper::CompareIds(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) const {
    if (!a || !b)
        return 0;
    IShellFolder* by = folder ? folder : m_pDesktop;
    if (!by)
        return 0;
    return static_cast<std::int16_t>(HRESULT_CODE(by->CompareIDs(0, a, b)));
}

int CPidlHelper::CompareBytes(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b)
        return 0;
    // Where b is shorter its terminator differs from a's count before b ends, so comparing
    // no further than b reaches gives the same answer without reading past b.
    const int c = std::memcmp(a, b, std::min(GetSize(a), GetSize(b)));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

PidlPtr CPidlHelper::Combine(LPCITEMIDLIST a, LPCITEMIDLIST b) const {
    if (!a && !b)
        return nullptr;
    // A null b would leave a list without its terminator; it adds nothing instead.
    if (!b)
        return Clone(a);
    const std::size_t sizeA = a ? GetSize(a) - 2 : 0;
    const std::size_t sizeB = GetSize(b);
    PidlPtr combined = Allocate(sizeA + sizeB);
    if (!combined)
        return nullptr;
    auto* out = reinterpret_cast<BYTE*>(combined.get());
    if (a)
        std::memcpy(out, a, sizeA);
    std::memcpy(out + sizeA, b, sizeB);
    return combined;
}

std::size_t CPidlHelper::GetSize(LPCITEMIDLIST pidl) {
    return ILGetSize(pidl);
}

LPCITEMIDLIST CPidlHelper::Next(LPCITEMIDLIST item) {
    return ILGetNext(item);
}

unsigned CPidlHelper::Count(LPCITEMIDLIST pidl) {
    return ILGetCount(pidl);
}

PidlPtr CPidlHelper::CloneItem(LPCITEMIDLIST pidl, unsigned n) const {
    if (!pidl || !ILItemSize(pidl))
        return nullptr;
    LPCITEMIDLIST item = pidl;
    for (unsigned i = 1; i < n && ILItemSize(Next(item)); ++i)
        item = Next(item);
    const USHORT size = ILItemSize(item);
    PidlPtr copy = Allocate(size + 2u);
    if (copy)
        std::memcpy(copy.get(), item, size);
    return copy;
}

PidlPtr CPidlHelper::CloneFirst(LPCITEMIDLIST pidl, int n) const {
    if (!pidl || n < 1)
        return nullptr;
    PidlPtr first;
    LPCITEMIDLIST item = pidl;
    for (int i = 0; i < n && item && ILItemSize(item); ++i, item = Next(item)) {
        const PidlPtr copy = CloneItem(item, 0);
        first = Combine(first.get(), copy.get());
    }
    return first;
}

PidlPtr CPidlHelper::Clone(LPCITEMIDLIST pidl) const {
    if (!pidl)
        return nullptr;
    const std::size_t size = GetSize(pidl);
    PidlPtr copy = Allocate(size);
    if (copy)
        std::memcpy(copy.get(), pidl, size);
    return copy;
}

int CPidlHelper::GetIconIndex(LPCITEMIDLIST pidl, unsigned flags) const {
    SHFILEINFO info;
    SHGetFileInfo(pidl, &info, flags | SHGFI_SYSICONINDEX);
    return info.iIcon;
}

std::string CPidlHelper::GetDisplayName(LPCITEMIDLIST pidl) const {
    SHFILEINFO info;
    SHGetFileInfo(pidl, &info, SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

HRESULT CPidlHelper::GetName(LPCITEMIDLIST pidl, std::string& out, IShellFolder* folder,
                             DWORD flags) const {
    IShellFolder* by = folder ? folder : m_pDesktop;
    if (!by)
        return E_FAIL;
    char* name = nullptr;
    const HRESULT hr = by->GetDisplayNameOf(pidl, flags, &name);
    if (SUCCEEDED(hr)) {
        out = name;
        m_pMalloc->Free(name);
    }
    return hr;
}

HRESULT CPidlHelper::ParseName(const std::string& text, PidlPtr& out, IShellFolder* folder) const {
    out.reset();
    // Characters, not bytes.
    if (Utf8Length(text) >= MAX_PATH)
        return E_INVALIDARG;
    return Parse(text, out, folder);
}

HRESULT CPidlHelper::ParsePath(const std::string& path, PidlPtr& out) const {
    out.reset();
    return Parse(path, out, nullptr);
}

HRESULT CPidlHelper::Parse(const std::string& text, PidlPtr& out, IShellFolder* folder) const {
    IShellFolder* by = folder;
    if (!by && FAILED(SHGetDesktopFolder(&by)))
        return E_FAIL;
    LPITEMIDLIST parsed = nullptr;
    const HRESULT hr = by->ParseDisplayName(text.c_str(), &parsed);
    if (!folder)
        by->Release();
    out.reset(parsed);
    return hr;
}

IShellFolder* CPidlHelper::BindToFolder(LPCITEMIDLIST pidl) const {
    if (!m_pDesktop)
        return nullptr;
    if (!pidl || !ILItemSize(pidl)) {
        m_pDesktop->AddRef();
        return m_pDesktop;
    }
    IShellFolder* folder = nullptr;
    return SUCCEEDED(m_pDesktop->BindToObject(pidl, &folder)) ? folder : nullptr;
}

} // namespace plat
