#pragma once
// The folder and enumerator interfaces of our shell namespace (IShellFolder, IEnumIDList),
// with the operations the browser calls. Lists passed to a folder are relative to it; for the
// desktop that means absolute. Every list a folder returns comes from the shell allocator and
// belongs to the caller.
//
// Folders read the file system when asked and keep nothing but their own place, so a folder
// object may outlive changes on disk. Each object is used by one thread at a time.
#include "platform/com/Unknown.h"
#include "platform/shell/ShellNamespace.h"

#include <cstdint>

namespace plat {

using LPARAM = std::intptr_t;

// Enumeration flags.
enum : DWORD { SHCONTF_FOLDERS = 0x20, SHCONTF_NONFOLDERS = 0x40, SHCONTF_INCLUDEHIDDEN = 0x80 };
// Display-name flags: the normal name, the name inside its folder, the name for parsing.
enum : DWORD { SHGDN_NORMAL = 0x0, SHGDN_INFOLDER = 0x1, SHGDN_FORPARSING = 0x8000 };

// {000214E6-0000-0000-C000-000000000046}
constexpr IID IID_IShellFolder = {
    0x000214E6, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000214F2-0000-0000-C000-000000000046}
constexpr IID IID_IEnumIDList = {
    0x000214F2, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IEnumIDList : public IUnknown {
  public:
    // Up to `celt` items, each a one-item list relative to the folder. S_OK when all came,
    // S_FALSE when fewer did (the end was reached).
    virtual HRESULT Next(ULONG celt, LPITEMIDLIST* rgelt, ULONG* pceltFetched) = 0;

  protected:
    ~IEnumIDList() = default;
};

class IShellFolder : public IUnknown {
  public:
    // The canonical list of a name (see CShellNamespace::Parse), relative to this folder;
    // fails for a name that is no location or lies outside the folder.
    virtual HRESULT ParseDisplayName(const char* name, LPITEMIDLIST* ppidl) = 0;
    // The folder's items. Hidden ones (names starting with ".") only with
    // SHCONTF_INCLUDEHIDDEN; FIFOs, sockets and device files never, so no listing opens or
    // blocks on one. An entry whose type cannot be read comes as a non-folder.
    virtual HRESULT EnumObjects(DWORD flags, IEnumIDList** ppenum) = 0;
    virtual HRESULT BindToObject(LPCITEMIDLIST pidl, IShellFolder** ppsf) = 0;
    // The order of CShellNamespace::Compare as a result code whose low 16 bits hold -1, 0
    // or 1. lParam (the column) is not used: there is one order.
    virtual HRESULT CompareIDs(LPARAM lParam, LPCITEMIDLIST a, LPCITEMIDLIST b) = 0;
    // The attributes that all of the items share, masked with *rgfInOut.
    virtual HRESULT GetAttributesOf(UINT cidl, LPCITEMIDLIST* apidl, ULONG* rgfInOut) = 0;
    // The name in a buffer from the shell allocator, which the caller frees.
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, char** ppszName) = 0;

  protected:
    ~IShellFolder() = default;
};

// The desktop folder of the process namespace.
HRESULT SHGetDesktopFolder(IShellFolder** ppshf);
// The desktop folder of another namespace, which must outlive every folder reached from it.
HRESULT SHGetDesktopFolderOf(const CShellNamespace& space, IShellFolder** ppshf);

} // namespace plat
