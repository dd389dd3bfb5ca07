#pragma once
// The two interfaces a context-menu extension implements for a file manager: IShellExtInit
// (receives the selection) and IContextMenu (adds its items, runs the chosen one, describes
// them). Called by the host on the thread that created the object.
#include "platform/Registry.h"
#include "platform/com/DataObject.h"
#include "platform/com/Menu.h"

#ifdef _WIN32
// The shell's own interfaces and flags (CMF_…, GCS_…, MAKEINTRESOURCE), used unqualified.
namespace plat {
using ::CMINVOKECOMMANDINFO;
using ::IContextMenu;
using ::IID_IContextMenu;
using ::IID_IShellExtInit;
using ::IShellExtInit;
using ::PCIDLIST_ABSOLUTE;
using ::WCHAR;
} // namespace plat

#else
namespace plat {

// {000214E8-0000-0000-C000-000000000046}
constexpr IID IID_IShellExtInit = {
    0x000214E8, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000214E4-0000-0000-C000-000000000046}
constexpr IID IID_IContextMenu = {
    0x000214E4, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct ITEMIDLIST;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using WCHAR = char16_t;

// Flags of QueryContextMenu.
enum : UINT {
    CMF_NORMAL = 0x0,
    CMF_DEFAULTONLY = 0x1,
    CMF_VERBSONLY = 0x2,
    CMF_EXPLORE = 0x4,
    CMF_NOVERBS = 0x8,
};

// Kinds of GetCommandString.
enum : UINT {
    GCS_VERBA = 0,
    GCS_HELPTEXTA = 1,
    GCS_VALIDATEA = 2,
    GCS_VERBW = 4,
    GCS_HELPTEXTW = 5,
    GCS_VALIDATEW = 6,
};

enum : int { SW_SHOWNORMAL = 1 };

struct CMINVOKECOMMANDINFO {
    std::uint32_t cbSize;
    std::uint32_t fMask;
    void* hwnd;
    // A command's offset in its low 16 bits (MAKEINTRESOURCE), or a verb string.
    const char* lpVerb;
    const char* lpParameters;
    const char* lpDirectory;
    int nShow;
    std::uint32_t dwHotKey;
    void* hIcon;
};

// The lpVerb that names a command by its offset.
inline const char* MAKEINTRESOURCE(UINT offset) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(offset & 0xFFFF));
}

class IShellExtInit : public IUnknown {
  public:
    virtual HRESULT Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj,
                               HKEY hkeyProgID) = 0;

  protected:
    ~IShellExtInit() = default;
};

class IContextMenu : public IUnknown {
  public:
    virtual HRESULT QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                     UINT uFlags) = 0;
    virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO* lpici) = 0;
    // With a wide kind, pszName points at cchMax WCHARs.
    virtual HRESULT GetCommandString(std::uintptr_t idCmd, UINT uType, UINT* pReserved,
                                     char* pszName, UINT cchMax) = 0;

  protected:
    ~IContextMenu() = default;
};

} // namespace plat
#endif
