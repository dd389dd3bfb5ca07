#pragma once
// CPidlHelper: every item-list operation of the browser (clone, combine, count, cut to a
// parent, compare, bind, names, icons, parse), over the desktop folder and the shell
// allocator it holds. The settings object, the file list and the address box each own one.
//
// Every list an operation returns comes from the shell allocator and belongs to the caller;
// PidlPtr frees it with that allocator.
//
// User-interface thread only (the settings object's copy is made before any worker starts).
#include "platform/shell/ShellFolder.h"
#include "platform/shell/ShellMalloc.h"

#include <cstddef>
#include <string>

namespace plat {

class CPidlHelper {
  public:
    CPidlHelper();
    ~CPidlHelper();
    CPidlHelper(const CPidlHelper&) = delete;
    CPidlHelper& operator=(const CPidlHelper&) = delete;

    // The folder's (null: the desktop's) comparison of a and b, its result code's low 16
    // bits sign-extended; 0 (the same item) when a or b is null.
    int CompareIds(plat::IShellFolder* folder, plat::LPCITEMIDLIST a, plat::LPCITEMIDLIST b) const;
    // The first size(a) bytes of a and b as unsigned bytes: -1, 0 or 1; 0 when either is null.
    static int CompareBytes(plat::LPCITEMIDLIST a, plat::LPCITEMIDLIST b);
    // The items of a followed by those of b; a copy of the other when one is null.
    plat::PidlPtr Combine(plat::LPCITEMIDLIST a, plat::LPCITEMIDLIST b) const;
    static std::size_t GetSize(plat::LPCITEMIDLIST pidl);
    // The item after the first; null at the terminator.
    static plat::LPCITEMIDLIST Next(plat::LPCITEMIDLIST item);
    // n = 0: the first item alone; n > 0: the item at index n - 1, or the last item when the
    // list has fewer than n. Null for a null or empty list.
    plat::PidlPtr CloneItem(plat::LPCITEMIDLIST pidl, unsigned n) const;
    // The first n items, fewer when the list ends sooner; null when pidl is null, n < 1 or the
    // list is empty.
    plat::PidlPtr CloneFirst(plat::LPCITEMIDLIST pidl, int n) const;
    plat::PidlPtr Clone(plat::LPCITEMIDLIST pidl) const;
    // The system image list index (SHGFI_SMALLICON and SHGFI_OPENICON as flags).
    int GetIconIndex(plat::LPCITEMIDLIST pidl, unsigned flags) const;
    std::string GetDisplayName(plat::LPCITEMIDLIST pidl) const;
    // The folder's (null: the desktop's) name of the list with the SHGDN_ flags.
    plat::HRESULT GetName(plat::LPCITEMIDLIST pidl, std::string& out, plat::IShellFolder* folder,
                          plat::DWORD flags) const;
    // A typed text parsed by the folder (null: the desktop) into a list relative to it. A text
    // of 260 characters or more fails whole, as it would not fit the path buffer.
    plat::HRESULT ParseName(const std::string& text, plat::PidlPtr& out,
                            plat::IShellFolder* folder) const;
    // A full path the program was given whole (its command line) parsed against the desktop,
    // however long: the path buffer's limit is for typed and stored texts.
    plat::HRESULT ParsePath(const std::string& path, plat::PidlPtr& out) const;
    // The folder of a list, which the caller releases; null or empty: the desktop. Null when
    // the list names no folder.
    plat::IShellFolder* BindToFolder(plat::LPCITEMIDLIST pidl) const;
    static unsigned Count(plat::LPCITEMIDLIST pidl);

    plat::IShellFolder* m_pDesktop = nullptr;
    plat::IMalloc* m_pMalloc = nullptr;

  private:
    plat::PidlPtr Allocate(std::size_t size) const;
    plat::HRESULT Parse(const std::string& text, plat::PidlPtr& out,
                        plat::IShellFolder* folder) const;
};

} // namespace plat
