// The module's exported entry points: the four of an in-process server, and the hook through
// which a host shows the module's messages. Nothing else is exported, and no exception leaves.
#include "platform/Paths.h"
#include "shellext/ExceptionBarrier.h"
#include "shellext/ExtMessageBox.h"
#include "shellext/ModuleLock.h"
#include "shellext/Registration.h"
#include "shellext/VtlExtIds.h"
#include "shellext/VtlShellExFactory.h"

#ifdef _WIN32
#define VTLEXT_EXPORT extern "C" // exported by name through VtlExt.def
#else
#define VTLEXT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace plat;
using namespace vtlext;

namespace {

// Any object of the module: its address tells which file the module was loaded from.
const char g_moduleAnchor = 0;

} // namespace

VTLEXT_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return ExceptionBarrier([&] {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!(rclsid == CLSID_VtlShellEx))
            return CLASS_E_CLASSNOTAVAILABLE;
        return CVtlShellExFactory::Instance().QueryInterface(riid, ppv);
    });
}

VTLEXT_EXPORT HRESULT DllCanUnloadNow() {
    return ExceptionBarrier([] { return CModuleLock::Count() == 0 ? S_OK : S_FALSE; });
}

VTLEXT_EXPORT HRESULT DllRegisterServer() {
    return ExceptionBarrier(
        [] { return CRegistration::Register(GetModuleFileNameOf(&g_moduleAnchor)); });
}

VTLEXT_EXPORT HRESULT DllUnregisterServer() {
    return ExceptionBarrier([] { return CRegistration::Unregister(); });
}

VTLEXT_EXPORT void VtlExtSetMessageBoxHook(MessageBoxHook hook) {
    SetMessageBoxHook(hook);
}
