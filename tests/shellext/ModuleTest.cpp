// The module around the handler: its entry points, class factory, lock count, one identity,
// what registration leaves for a host to find, and that no exception ever leaves it.
#include "platform/Registry.h"
#include "platform/com/HDropDataObject.h"
#include "platform/com/ShellExt.h"
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
using shellexttest::Module;

IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

template <typename T> T* Create(IUnknown* outer = nullptr, const IID& iid = IID_IContextMenu) {
    IClassFactory* factory = Factory();
    T* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, iid, reinterpret_cast<void**>(&object)), S_OK);
    factory->Release();
    return object;
}

TEST(ShellExtModule, ClassObjectFactoryAndTheLockCount) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Module().GetClassObject(vtlext::IID_IVtlShellEx, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IContextMenu, &out), E_NOINTERFACE);
    ASSERT_EQ(Module().CanUnloadNow(), S_OK);

    IClassFactory* factory = Factory();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a caller holds the factory";
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    auto* handler = Create<IContextMenu>();
    ASSERT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    handler->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "still locked";
    factory = Factory();
    factory->LockServer(0);
    factory->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

// The controlling object of an aggregate: counts the references its inner object passes on.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(ShellExtModule, EveryFaceLeadsToOneIdentityAlsoWhenAggregated) {
    auto* unknown = Create<IUnknown>(nullptr, IID_IUnknown);
    for (const IID* iid : {&IID_IShellExtInit, &IID_IContextMenu, &vtlext::IID_IVtlShellEx}) {
        IUnknown* face = nullptr;
        ASSERT_EQ(unknown->QueryInterface(*iid, reinterpret_cast<void**>(&face)), S_OK);
        IUnknown* identity = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, unknown);
        identity->Release();
        face->Release();
    }
    EXPECT_EQ(unknown->Release(), 0u);

    Outer outer;
    IClassFactory* factory = Factory();
    void* out = nullptr;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &out), CLASS_E_NOAGGREGATION);
    factory->Release();
    auto* inner = Create<IUnknown>(&outer, IID_IUnknown);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "a face of the aggregate counts on the outer object";
    EXPECT_EQ(menu->QueryInterface(IID_IContextMenu, &out), E_NOINTERFACE) << "and asks the outer object";
    menu->Release();
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST(ShellExtModule, RegistrationLetsAHostFindTheModuleAndUnregistrationTakesOnlyItsOwn) {
    const std::string module = std::filesystem::canonical(std::string(VTL_LIB_DIR) + "/libVtlExt.so").string();
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), module) << "a host finds the module as the shell does";
    const std::string classes = vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT));
    EXPECT_NE(classes.find("[HKEY_CLASSES_ROOT\\*\\shellex\\ContextMenuHandlers\\vantrel]\n"
                           "@=\"{AE82044E-6E72-473E-A2AF-F732CB431E80}\""),
              std::string::npos)
        << classes;
    EXPECT_NE(vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE)).find("\"{AE82044E-6E72-473E-A2AF-F732CB431E80}\"=\"vantrel\""),
              std::string::npos);
    HKEY other = nullptr;
    RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}", 0, KEY_WRITE, &other, nullptr);
    RegCloseKey(other);
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    const std::string left = vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT));
    EXPECT_EQ(left.find("VtlShellEx"), std::string::npos) << left;
    EXPECT_EQ(left.find("vantrel"), std::string::npos) << left;
    EXPECT_NE(left.find("{00000000-1111-2222-3333-444444444444}"), std::string::npos) << "the user's own key stays";
    EXPECT_EQ(vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE)).find("AE82044E"), std::string::npos);
    EXPECT_EQ(Module().UnregisterServer(), S_OK) << "unregistering what is not registered is no failure";
}

// A selection whose host object throws, as a host written in C++ might.
class ThrowingDataObject final : public IDataObject {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetData(const FORMATETC*, STGMEDIUM*) override { throw std::runtime_error("host failure"); }
    HRESULT QueryGetData(const FORMATETC*) override { return S_OK; }
};

TEST(ShellExtModule, NoExceptionLeavesAnEntryPointOrAMethod) {
    shellexttest::SetLocation("/bin/true");
    auto* handler = Create<IContextMenu>();
    IShellExtInit* init = nullptr;
    handler->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
    CHDropDataObject* pictures = CHDropDataObject::Create({"/p/a.jpg"});
    ASSERT_EQ(init->Initialize(nullptr, pictures, nullptr), S_OK);
    HMENU menu = CreatePopupMenu();
    CMINVOKECOMMANDINFO invoke{};
    invoke.lpVerb = MAKEINTRESOURCE(1);
    const struct {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT result;
    } calls[] = {
        {"DllRegisterServer", [&] { return Module().RegisterServer(); }, E_OUTOFMEMORY},
        {"DllUnregisterServer", [&] { return Module().UnregisterServer(); }, E_OUTOFMEMORY},
        {"QueryContextMenu", [&] { return handler->QueryContextMenu(menu, 0, 1, 10, CMF_NORMAL); }, S_OK},
        {"InvokeCommand", [&] { return handler->InvokeCommand(&invoke); }, E_OUTOFMEMORY},
        {"Initialize", [&] { return init->Initialize(nullptr, pictures, nullptr); }, E_OUTOFMEMORY},
    };
    for (const auto& c : calls) {
        g_outOfMemory = true;
        const HRESULT hr = c.call();
        g_outOfMemory = false;
        EXPECT_EQ(hr, c.result) << c.what;
    }
    EXPECT_EQ(GetMenuItemCount(menu), 0) << "a menu that could not be made is not added";
    ThrowingDataObject throwing;
    EXPECT_EQ(init->Initialize(nullptr, &throwing, nullptr), E_UNEXPECTED);
    pictures->Release();
    DestroyMenu(menu);
    init->Release();
    handler->Release();
}

} // namespace
