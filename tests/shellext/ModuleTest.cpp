// The module around the handler: its entry points, class factory, lock count, one identity,
// what registration leaves for a host to find, and that no exception ever leaves it.
#include "platform/Registry.h"
#include "platform/com/Guid.h"
#include "platform/com/HDropDataObject.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>

namespace {
// While set, every allocation fails, as when memory runs out. The module binds to this
// program's operator new, as it binds to a file manager's.
std::atomic<bool> g_outOfMemory{false};
} // namespace

void* operator new(std::size_t size) {
    static const auto allocate = reinterpret_cast<void* (*)(std::size_t)>(dlsym(RTLD_NEXT, "_Znwm"));
    if (g_outOfMemory)
        throw std::bad_alloc();
    return allocate(size);
}

namespace {

using namespace plat;
using namespace shellexttest;

IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    return factory;
}

// The controlling object of an aggregate: counts the references its inner object passes on.
struct Outer final : IUnknown {
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(ShellExtModule, TheFactoryTheLockCountAndOneIdentityAlsoWhenAggregated) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Module().GetClassObject(vtlext::IID_IVtlShellEx, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IContextMenu, &out), E_NOINTERFACE);
    ASSERT_EQ(Module().CanUnloadNow(), S_OK);
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a caller holds the factory";
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &out), CLASS_E_NOAGGREGATION);
    IUnknown *inner = nullptr, *face = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    factory->LockServer(1);
    factory->Release();
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&face)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "a face of the aggregate counts on the outer object";
    EXPECT_EQ(face->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE) << "and asks the outer object";
    face->Release();
    EXPECT_EQ(inner->Release(), 0u);
    {
        const Handler handler;
        IUnknown *viaMenu = nullptr, *viaInit = nullptr;
        handler.menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaMenu));
        handler.init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaInit));
        EXPECT_EQ(viaMenu, viaInit) << "every face leads back to one identity";
        viaMenu->Release(), viaInit->Release();
    }
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "still locked";
    factory = Factory();
    factory->LockServer(0);
    factory->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST(ShellExtModule, RegistrationLetsAHostFindTheModuleAndUnregistrationTakesOnlyItsOwn) {
    const std::string userKey = "CLSID\\{00000000-1111-2222-3333-444444444444}";
    HKEY other = nullptr;
    RegCreateKeyEx(HKEY_CLASSES_ROOT, userKey.c_str(), 0, KEY_WRITE, &other, nullptr);
    RegCloseKey(other);
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(),
              std::filesystem::canonical(std::string(VTL_LIB_DIR) + "/libVtlExt.so").string())
        << "a host finds the module as the shell does";
    const std::string clsid = GuidToString(vtlext::CLSID_VtlShellEx);
    EXPECT_NE(vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE)).find(clsid), std::string::npos) << "approved";
    const std::string once = vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT));
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT)), once) << "registering twice is registering once";
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    const std::string left = vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT)) +
                             vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE));
    for (const std::string& ours : {clsid, std::string("VtlShellEx"), std::string("vantrel")})
        EXPECT_EQ(left.find(ours), std::string::npos) << ours << " in " << left;
    EXPECT_NE(left.find(userKey.substr(6)), std::string::npos) << "the user's own key stays";
}

// A selection whose host object throws, as a host written in C++ might.
struct ThrowingDataObject final : IDataObject {
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetData(const FORMATETC*, STGMEDIUM*) override { throw std::runtime_error("host failure"); }
    HRESULT QueryGetData(const FORMATETC*) override { return S_OK; }
};

TEST(ShellExtModule, NoExceptionLeavesAnEntryPointOrAMethod) {
    ThrowingDataObject throwing; // outlives the handler that holds it
    SetLocation("/bin/true");
    Handler handler({"/p/a.jpg"});
    CHDropDataObject* pictures = CHDropDataObject::Create({"/p/a.jpg"});
    HMENU menu = CreatePopupMenu();
    const std::pair<const char*, std::function<HRESULT()>> calls[] = {
        {"DllRegisterServer", [] { return Module().RegisterServer(); }},
        {"DllUnregisterServer", [] { return Module().UnregisterServer(); }},
        {"QueryContextMenu", [&] { return handler.menu->QueryContextMenu(menu, 0, 1, 10, CMF_NORMAL); }},
        {"InvokeCommand", [&] { return handler.Invoke(MAKEINTRESOURCE(1)); }},
        {"Initialize", [&] { return handler.init->Initialize(nullptr, pictures, nullptr); }},
    };
    for (const auto& [what, call] : calls) {
        g_outOfMemory = true;
        const HRESULT hr = call();
        g_outOfMemory = false;
        EXPECT_EQ(hr, E_OUTOFMEMORY) << what;
    }
    EXPECT_EQ(GetMenuItemCount(menu), 0) << "a menu that could not be made is not added";
    EXPECT_EQ(handler.init->Initialize(nullptr, &throwing, nullptr), E_UNEXPECTED);
    pictures->Release();
    DestroyMenu(menu);
}

} // namespace
