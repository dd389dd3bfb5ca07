#pragma once
// The context-menu handler: collects the selected pictures and folders, adds the "Vantrel"
// submenu with its three commands, and hands the chosen command and the paths to the
// application through the hand-off block before starting it. A folder is handed over as one
// path; the application finds the pictures in it. On folders alone the commands say so
// ("Resize pictures in this folder...").
//
// Created by the class factory, one object per file-manager request, and used only on the
// thread that created it (apartment threading): its fields and reference count take no lock.
// It can be aggregated: an outer object then owns its identity and reference count.
// InvokeCommand waits until the application it starts has taken the pictures (CHandoffQueue),
// so a host calls it off its user-interface thread.
#include "platform/Result.h"
#include "platform/com/ShellExt.h"

#include <string>
#include <vector>

namespace vtlext {

struct Command;

#ifdef _WIN32
// The class's own interface: a dual face with no methods of its own, whose IDispatch is
// served from the module's type library (TYPELIB 1, registered with the module).
class IVtlShellEx : public IDispatch {};
#else
// The class's own interface: a face with no methods of its own.
class IVtlShellEx : public plat::IUnknown {
  protected:
    ~IVtlShellEx() = default;
};
#endif

class CVtlShellEx final : public plat::IShellExtInit,
                          public plat::IContextMenu,
                          public IVtlShellEx {
  public:
    // The factory's CreateInstance: E_POINTER, CLASS_E_NOAGGREGATION, E_OUTOFMEMORY,
    // E_NOINTERFACE or S_OK with *ppv holding one reference.
    static plat::HRESULT Create(plat::IUnknown* outer, plat::REFIID riid, void** ppv);

    // The product's picture test (IsPictureExt) on the text after the file name's last dot.
    // Nothing else about the file is looked at.
    static bool IsPicture(const std::string& path);

    plat::HRESULT QueryInterface(plat::REFIID riid, void** ppv) override;
    plat::ULONG AddRef() override;
    plat::ULONG Release() override;

    plat::HRESULT Initialize(plat::PCIDLIST_ABSOLUTE pidlFolder, plat::IDataObject* pdtobj,
                             plat::HKEY hkeyProgID) override;
    plat::HRESULT QueryContextMenu(plat::HMENU hmenu, plat::UINT indexMenu, plat::UINT idCmdFirst,
                                   plat::UINT idCmdLast, plat::UINT uFlags) override;
    plat::HRESULT InvokeCommand(plat::CMINVOKECOMMANDINFO* lpici) override;
    plat::HRESULT GetCommandString(std::uintptr_t idCmd, plat::UINT uType, plat::UINT* pReserved,
                                   char* pszName, plat::UINT cchMax) override;

#ifdef _WIN32
    // IDispatch, from the type information of IVtlShellEx (win32/TypeLibrary.cpp): there are no
    // members, so no call has an effect.
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;
#endif

  private:
    // The identity of the object itself, which an outer object holds when it aggregates it.
    class CInnerUnknown final : public plat::IUnknown {
      public:
        explicit CInnerUnknown(CVtlShellEx& owner) : m_owner(owner) {}
        plat::HRESULT QueryInterface(plat::REFIID riid, void** ppv) override;
        plat::ULONG AddRef() override;
        plat::ULONG Release() override;

      private:
        CVtlShellEx& m_owner;
    };

    explicit CVtlShellEx(plat::IUnknown* outer);
    ~CVtlShellEx();
    CVtlShellEx(const CVtlShellEx&) = delete;
    CVtlShellEx& operator=(const CVtlShellEx&) = delete;

    // The bodies of the interface methods, which run inside ExceptionBarrier.
    plat::HRESULT FindInterface(plat::REFIID riid, void** ppv);
    plat::HRESULT ReadSelection(plat::IDataObject* pdtobj);
    plat::HRESULT AddMenu(plat::HMENU hmenu, plat::UINT indexMenu, plat::UINT idCmdFirst,
                          plat::UINT uFlags);
    plat::HRESULT HandOver(const plat::CMINVOKECOMMANDINFO* lpici);

    // The path stored by the application as "location", or "" when there is none that fits;
    // fails, saying why for the user, when the settings file cannot be read at all. A user who
    // has no "location" (a new user of a program installed for every user) gets the vtl
    // installed beside this module.
    static plat::Result<std::string> ReadLocation();
    // The texts of the three commands for the selection: the folders' when it holds no picture.
    const Command* Commands() const;

    CInnerUnknown m_inner;
    plat::IUnknown* m_controlling; // the outer object, or m_inner
    plat::LONG m_refs = 0;
    plat::IDataObject* m_dataObject = nullptr;
    std::vector<std::string> m_pictures; // the pictures and folders of the selection
    bool m_bFolders = false;             // the selection has folders and no picture
    plat::HBITMAP m_bitmap;
};

} // namespace vtlext
