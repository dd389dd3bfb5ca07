#pragma once
// A host's handle on the extension module: loads libVtlExt.so by path, as the shell loads an
// in-process server, and reaches its exported entry points.
// Used by vtlmenu and the Nautilus extension on their own thread.
#include "platform/Result.h"
#include "shellext/VtlExtIds.h"

#include <string>

namespace vtlext {

class CExtensionModule {
  public:
    CExtensionModule() = default;
    // Unloads the module when it allows it (DllCanUnloadNow), else leaves it loaded.
    ~CExtensionModule();
    CExtensionModule(const CExtensionModule&) = delete;
    CExtensionModule& operator=(const CExtensionModule&) = delete;

    // Fails, saying why, when the file cannot be loaded or lacks an entry point.
    plat::Result<void> Load(const std::string& path);
    const std::string& Path() const { return m_path; }

    plat::HRESULT GetClassObject(plat::REFCLSID rclsid, plat::REFIID riid, void** ppv) const;
    plat::HRESULT CanUnloadNow() const;
    plat::HRESULT RegisterServer() const;
    plat::HRESULT UnregisterServer() const;
    void SetMessageBoxHook(MessageBoxHook hook) const;

    // Where the installed module lies for a program in `programDir`: beside it when it is
    // there (an installed program), else in ../lib/ (the build's layout).
    static std::string InstalledPath(const std::string& programDir);
    // The module the registry names as the context-menu handler's in-process server, as the
    // shell finds it; "" when the handler is not registered.
    static std::string RegisteredPath();

  private:
    void* m_handle = nullptr;
    std::string m_path;
    plat::PFN_DllGetClassObject m_getClassObject = nullptr;
    plat::PFN_DllCanUnloadNow m_canUnloadNow = nullptr;
    plat::PFN_DllRegisterServer m_registerServer = nullptr;
    plat::PFN_DllUnregisterServer m_unregisterServer = nullptr;
    PFN_VtlExtSetMessageBoxHook m_setHook = nullptr;
};

} // namespace vtlext
