#include "shellext/host/ContextMenuRequest.h"

#include "platform/com/HDropDataObject.h"

namespace vtlext {

using namespace plat;

namespace {

// The first identifier handed to QueryContextMenu; the handler's commands follow it.
constexpr UINT kFirstCommandId = 1;

} // namespace

CContextMenuRequest::~CContextMenuRequest() {
    DestroyMenu(m_menu);
    if (m_handler)
        m_handler->Release();
}

HRESULT CContextMenuRequest::Open(const std::vector<std::string>& files) {
    IClassFactory* factory = nullptr;
    HRESULT hr = m_module.GetClassObject(CLSID_VtlShellEx, IID_IClassFactory,
                                         reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    IShellExtInit* init = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    factory->Release();
    if (FAILED(hr))
        return hr;

    CHDropDataObject* selection = CHDropDataObject::Create(files);
    hr = selection ? init->Initialize(nullptr, selection, nullptr) : E_OUTOFMEMORY;
    if (selection)
        selection->Release();
    if (SUCCEEDED(hr))
        hr = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m_handler));
    init->Release();
    if (FAILED(hr))
        return hr;

    m_menu = CreatePopupMenu();
    if (!m_menu)
        return E_OUTOFMEMORY;
    hr = m_handler->QueryContextMenu(m_menu, 0, kFirstCommandId, kFirstCommandId + 0x7FFF,
                                     CMF_NORMAL);
    if (FAILED(hr))
        return hr;
    m_entries = ReadMenu(m_menu);
    return hr;
}

std::vector<MenuEntry> CContextMenuRequest::ReadMenu(HMENU menu) const {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFO info;
        if (!GetMenuItemInfo(menu, static_cast<UINT>(i), true, &info))
            continue;
        MenuEntry entry;
        entry.text = info.text;
        if (info.hSubMenu) {
            entry.children = ReadMenu(info.hSubMenu);
        } else {
            entry.offset = static_cast<int>(info.wID - kFirstCommandId);
            char help[256] = {};
            m_handler->GetCommandString(static_cast<std::uintptr_t>(entry.offset), GCS_HELPTEXTA,
                                        nullptr, help, sizeof help);
            entry.helpText = help;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

HRESULT CContextMenuRequest::Invoke(UINT offset) {
    if (!m_handler)
        return E_FAIL;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCE(offset);
    info.nShow = SW_SHOWNORMAL;
    return m_handler->InvokeCommand(&info);
}

} // namespace vtlext
