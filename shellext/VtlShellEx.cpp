#include "shellext/VtlShellEx.h"

#include "app/model/formats/FormatTable.h"

#include "app/model/base/HandoffQueue.h"
#include "app/model/base/SettingNames.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/RegistryString.h"
#include "shellext/ExceptionBarrier.h"
#include "shellext/ExtMessageBox.h"
#include "shellext/MenuBitmap.h"
#include "shellext/MenuChoices.h"
#include "shellext/ModuleLock.h"
#include "shellext/VtlExtIds.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>

namespace vtlext {

using namespace plat;

struct Command {
    const char* menuText;
    const char* helpText;
};

namespace {

// By menu offset (MenuChoices.h says which command code each hands over): on pictures, and on
// folders alone, which the application opens for the pictures in them and their sub-folders.
constexpr Command kCommands[COMMAND_COUNT] = {
    {"Resize...",
     "Opens the Vantrel resize dialog to choose how the selected pictures are resized."},
    {"Resize as default setting",
     "Resizes the selected pictures with your default settings, without asking."},
    {"Resize and mail",
     "Resizes the selected pictures with your default settings, without asking, and mails them."},
};
constexpr Command kFolderCommands[COMMAND_COUNT] = {
    {"Resize pictures in this folder...",
     "Opens the Vantrel resize dialog to choose how the pictures in the folder and its "
     "sub-folders are resized."},
    {"Resize pictures in this folder as default setting",
     "Resizes the pictures in the folder and its sub-folders with your default settings, without "
     "asking."},
    {"Resize pictures in this folder and mail",
     "Resizes the pictures in the folder and its sub-folders with your default settings, without "
     "asking, and mails them."},
};
// "Resize and mail" when the options say it opens the resize dialog first.
constexpr const char* kMailByDialogHelp =
    "Opens the Vantrel resize dialog, where \"Resize and mail\" resizes the selected pictures and mails them.";
constexpr const char* kFolderMailByDialogHelp =
    "Opens the Vantrel resize dialog, where \"Resize and mail\" resizes the pictures in the folder "
    "and its sub-folders and mails them.";

constexpr const char* kSubmenuText = "Vantrel";
constexpr const char* kMissingApplication =
    "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!";
constexpr const char* kNoQueue = "The pictures could not be handed to Vantrel:\n";

// The vtl installed beside this module, as a program installed for every user lies.
std::string InstalledApplication() {
    static const char anchor = 0;
    const std::string module = GetModuleFileNameOf(&anchor);
    if (module.empty())
        return {};
    const PathParts parts = SplitPath(module);
    return parts.drive + parts.dir + APPLICATION_FILE_NAME;
}

std::string TurnedOffText(const char* menuText) {
    return std::string("\"") + menuText +
           "\" is turned off in Vantrel's options (Edit > Option ... > Menu Context in Vantrel's window).";
}

// Copies `text` cut to cchMax - 1 characters plus the terminator. The help texts are ASCII, so
// widening each byte is their conversion to wide characters.
template <typename Char> void CopyTruncated(const char* text, Char* out, UINT cchMax) {
    if (!out || cchMax == 0)
        return;
    const std::size_t length = std::min<std::size_t>(std::strlen(text), cchMax - 1);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<Char>(static_cast<unsigned char>(text[i]));
    out[length] = 0;
}

} // namespace

CVtlShellEx::CVtlShellEx(IUnknown* outer)
    : m_inner(*this), m_controlling(outer ? outer : &m_inner), m_bitmap(LoadMenuBitmap()) {
    CModuleLock::Lock();
}

CVtlShellEx::~CVtlShellEx() {
    if (m_dataObject)
        m_dataObject->Release();
    CModuleLock::Unlock();
}

HRESULT CVtlShellEx::Create(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    // An aggregated object can only be handed out as its own identity.
    if (outer && !(riid == IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) CVtlShellEx(outer);
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT hr = object->m_inner.QueryInterface(riid, ppv);
    if (FAILED(hr))
        delete object;
    return hr;
}

HRESULT CVtlShellEx::CInnerUnknown::QueryInterface(REFIID riid, void** ppv) {
    return ExceptionBarrier([&] { return m_owner.FindInterface(riid, ppv); });
}

HRESULT CVtlShellEx::FindInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    IUnknown* face = nullptr;
    if (riid == IID_IUnknown)
        face = &m_inner;
    else if (riid == IID_IShellExtInit)
        face = static_cast<IShellExtInit*>(this);
    else if (riid == IID_IContextMenu)
        face = static_cast<IContextMenu*>(this);
    else if (riid == IID_IVtlShellEx)
        face = static_cast<IVtlShellEx*>(this);
#ifdef _WIN32
    else if (riid == IID_IDispatch)
        face = static_cast<IVtlShellEx*>(this);
#endif
    *ppv = face;
    if (!face)
        return E_NOINTERFACE;
    face->AddRef();
    return S_OK;
}

ULONG CVtlShellEx::CInnerUnknown::AddRef() {
    return static_cast<ULONG>(++m_owner.m_refs);
}

ULONG CVtlShellEx::CInnerUnknown::Release() {
    const LONG left = --m_owner.m_refs;
    if (left == 0)
        delete &m_owner;
    return static_cast<ULONG>(left);
}

HRESULT CVtlShellEx::QueryInterface(REFIID riid, void** ppv) {
    return m_controlling->QueryInterface(riid, ppv);
}
ULONG CVtlShellEx::AddRef() {
    return m_controlling->AddRef();
}
ULONG CVtlShellEx::Release() {
    return m_controlling->Release();
}

const Command* CVtlShellEx::Commands() const {
    return m_bFolders ? kFolderCommands : kCommands;
}

bool CVtlShellEx::IsPicture(const std::string& path) {
    const std::string ext = SplitPath(path).ext;
    return !ext.empty() && IsPictureExt(ext);
}

HRESULT CVtlShellEx::Initialize(PCIDLIST_ABSOLUTE, IDataObject* pdtobj, HKEY) {
    // The earlier selection goes first: a host that ignores a failure must find nothing to
    // offer or run, never the files of the last right-click.
    m_pictures.clear();
    m_bFolders = false;
    return ExceptionBarrier([&] { return ReadSelection(pdtobj); });
}

HRESULT CVtlShellEx::ReadSelection(IDataObject* pdtobj) {
    if (!pdtobj)
        return E_INVALIDARG;
    pdtobj->AddRef();
    if (m_dataObject)
        m_dataObject->Release();
    m_dataObject = pdtobj;

    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(pdtobj->GetData(&format, &medium)))
        return E_INVALIDARG;
    // The medium is this call's copy: released on every way out, an exception's included.
    const std::unique_ptr<STGMEDIUM, void (*)(STGMEDIUM*)> release(&medium, ReleaseStgMedium);
    if (!GlobalLock(medium.hGlobal))
        return E_INVALIDARG;
    const HDROP drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
    HRESULT result = count == 0 ? E_INVALIDARG : S_OK;
    std::size_t pictureFiles = 0;
    for (UINT i = 0; i < count; ++i) {
        // Each name is read whole: a path that would not fit the hand-off block is refused
        // when a command is chosen, never cut here into the path of some other file.
        const UINT length = DragQueryFile(drop, i, nullptr, 0);
        std::string name(length + 1, '\0');
        if (length == 0 || DragQueryFile(drop, i, name.data(), length + 1) != length) {
            result = E_INVALIDARG;
            continue;
        }
        name.resize(length);
        // Names decide first: a folder is looked at only when the name is no picture's.
        if (IsPicture(name)) {
            m_pictures.push_back(std::move(name));
            ++pictureFiles;
        } else if (FolderExists(name)) {
            m_pictures.push_back(std::move(name));
        }
    }
    m_bFolders = !m_pictures.empty() && pictureFiles == 0;
    GlobalUnlock(medium.hGlobal);
    return result;
}

HRESULT CVtlShellEx::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT,
                                      UINT uFlags) {
    return ExceptionBarrier([&] { return AddMenu(hmenu, indexMenu, idCmdFirst, uFlags); });
}

HRESULT CVtlShellEx::AddMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT uFlags) {
    const UINT shown = uFlags & 0xF;
    const bool mayAdd = shown == 0 || (shown & (CMF_VERBSONLY | CMF_EXPLORE)) != 0;
    const MenuChoices choices = ReadMenuChoices();
    UINT used = 0; // the highest offset offered, plus one
    for (UINT offset = 0; offset < COMMAND_COUNT; ++offset)
        if (choices.Offers(offset))
            used = offset + 1;
    if (!mayAdd || m_pictures.empty() || used == 0)
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);

    const int before = GetMenuItemCount(hmenu);
    if (before < 0)
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    // The popup is ours until the host's menu holds it.
    std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)> popup(CreatePopupMenu(),
                                                                                DestroyMenu);
    if (!popup)
        return E_OUTOFMEMORY;
    if (!InsertMenu(hmenu, indexMenu, MF_BYPOSITION | MF_POPUP,
                    reinterpret_cast<std::uintptr_t>(popup.get()), kSubmenuText))
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    HMENU submenu = popup.release();
    // The bitmap goes on the item just inserted, also when indexMenu was past the end.
    const UINT at = std::min(indexMenu, static_cast<UINT>(before));
    SetMenuItemBitmaps(hmenu, at, MF_BYPOSITION, m_bitmap, m_bitmap);
    // Each command keeps its offset whatever else is offered, so a menu file written for an
    // earlier choice never runs another command than it names.
    UINT position = 0;
    for (UINT offset = 0; offset < COMMAND_COUNT; ++offset) {
        if (!choices.Offers(offset))
            continue;
        InsertMenu(submenu, position, MF_BYPOSITION | MF_STRING, idCmdFirst + offset,
                   Commands()[offset].menuText);
        SetMenuItemBitmaps(submenu, position, MF_BYPOSITION, m_bitmap, m_bitmap);
        ++position;
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, used);
}

Result<std::string> CVtlShellEx::ReadLocation() {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyEx(HKEY_CURRENT_USER, settingkey::PATH, 0, KEY_READ, &key);
#ifndef _WIN32 // the settings file that stands in for the registry
    if (opened == ERROR_CANTREAD)
        return Failure{
            "Vantrel's settings file " + RegistryHiveFile(HKEY_CURRENT_USER) + " cannot be read (" +
            RegistryHiveFault(HKEY_CURRENT_USER) +
            "), so where vtl is installed is not known. Move the file away, run vtl once, and try "
            "again."};
#endif
    if (opened == ERROR_FILE_NOT_FOUND)
        return InstalledApplication();
    if (opened != ERROR_SUCCESS)
        return std::string();
    const bool missing = RegQueryValueEx(key, settingkey::LOCATION, nullptr, nullptr, nullptr) ==
                         ERROR_FILE_NOT_FOUND;
    // A value of another type, or one that does not fit, names no program to start.
    const std::optional<std::string> location =
        missing ? std::nullopt : RegQueryPathString(key, settingkey::LOCATION);
    RegCloseKey(key);
    if (missing)
        return InstalledApplication();
    return location.value_or(std::string());
}

HRESULT CVtlShellEx::InvokeCommand(CMINVOKECOMMANDINFO* lpici) {
    return ExceptionBarrier([&] {
        // A menu that cannot follow the options (one installed for every user) still offers
        // a command the user turned off: it says so, and hands nothing over.
        const auto verb = lpici ? reinterpret_cast<std::uintptr_t>(lpici->lpVerb) : 0;
        const UINT offset = static_cast<UINT>(verb & 0xFFFF);
        if (lpici && (verb >> 16) == 0 && !m_pictures.empty() && offset < COMMAND_COUNT &&
            !ReadMenuChoices().Offers(offset)) {
            ExtMessageBox(TurnedOffText(Commands()[offset].menuText));
            return VTLEXT_E_TURNED_OFF;
        }
        return HandOver(lpici);
    });
}

HRESULT CVtlShellEx::HandOver(const CMINVOKECOMMANDINFO* lpici) {
    if (!lpici)
        return E_INVALIDARG;
    const auto verb = reinterpret_cast<std::uintptr_t>(lpici->lpVerb);
    // A verb string, or nothing to hand over (a host that offers the command after a failed
    // Initialize).
    if ((verb >> 16) != 0 || m_pictures.empty())
        return E_INVALIDARG;

    const auto read = ReadLocation();
    if (!read) {
        ExtMessageBox(read.error().message);
        return E_FAIL;
    }
    const std::string& location = *read;
    if (location.empty() || !FileExists(location)) {
        ExtMessageBox(kMissingApplication);
        return E_INVALIDARG;
    }
    const UINT offset = static_cast<UINT>(verb & 0xFFFF);
    const std::uint32_t command = ReadMenuChoices().CommandCode(offset);
    auto queue = CHandoffQueue::Open(true);
    if (!queue) {
        ExtMessageBox(kNoQueue + queue.error().message);
        return E_FAIL;
    }
    // Returns once the started program took the pictures, or when it is known that it never
    // will: a command is never lost without a word.
    const auto handed = queue->HandOver(location, command, m_pictures);
    if (handed)
        return S_OK;
    ExtMessageBox(handed.error().message);
    const HandoffWrite why = handed.error().why;
    return why == HandoffWrite::TooManyFiles || why == HandoffWrite::PathTooLong ? E_INVALIDARG
                                                                                 : E_FAIL;
}

HRESULT CVtlShellEx::GetCommandString(std::uintptr_t idCmd, UINT uType, UINT*, char* pszName,
                                      UINT cchMax) {
    return ExceptionBarrier([&] {
        if (idCmd >= COMMAND_COUNT)
            return S_OK;
        const char* text = idCmd == 2 && !ReadMenuChoices().bMailAsDefault
                               ? (m_bFolders ? kFolderMailByDialogHelp : kMailByDialogHelp)
                               : Commands()[idCmd].helpText;
        switch (uType) {
        case GCS_VERBA:
        case GCS_HELPTEXTA:
            CopyTruncated(text, pszName, cchMax);
            break;
        case GCS_VERBW:
        case GCS_HELPTEXTW:
            CopyTruncated(text, reinterpret_cast<WCHAR*>(pszName), cchMax);
            break;
        default:
            break;
        }
        return S_OK;
    });
}

} // namespace vtlext
