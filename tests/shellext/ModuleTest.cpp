// The module around the handler: its entry points, class factory, lock count, aggregation and
// what registration leaves in the registry store.
#include "platform/Registry.h"
#include "platform/com/ShellExt.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace plat;
using shellexttest::Module;

const std::string kClsid = "{AE82044E-6E72-473E-A2AF-F732CB431E80}";
const std::string kClassKey = "CLSID\\" + kClsid;
const char* kApproved = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// A value as REG_SZ; "<none>" when the key or value is missing.
std::string Value(HKEY root, const std::string& key, const char* name) {
    HKEY handle = nullptr;
    if (RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return "<none>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG rc = RegQueryValueEx(handle, name, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS)
        return "<none>";
    EXPECT_EQ(type, REG_SZ) << key;
    EXPECT_EQ(buffer[size - 1], '\0') << "stored with its terminator: " << key;
    return buffer;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

TEST(ShellExtModule, GuidsReadInTheRegistrysForm) {
    EXPECT_EQ(GuidToString(vtlext::CLSID_VtlShellEx), kClsid);
    EXPECT_EQ(GuidToString(vtlext::IID_IVtlShellEx), "{CB5A2E8B-D4D1-4CE7-9D75-51B75C0EECF3}");
    EXPECT_EQ(GuidToString(vtlext::LIBID_VTLEXTLib), "{C5E4D9CF-E056-45F9-8F47-21AA34091AC4}");
    const auto parsed = GuidFromString("{ae82044e-6e72-473e-a2af-f732cb431e80}");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(*parsed == vtlext::CLSID_VtlShellEx);
    for (const char* bad : {"", "AE82044E-6E72-473E-A2AF-F732CB431E80", "{AE82044E-6E72-473E-A2AF-F732CB431E8}",
                            "{AE82044E-6E72-473E-A2AF-F732CB431E8G}", "{AE82044E+6E72-473E-A2AF-F732CB431E80}"})
        EXPECT_FALSE(GuidFromString(bad).has_value()) << bad;
}

TEST(ShellExtModule, ClassObjectOnlyForItsOwnClass) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Module().GetClassObject(vtlext::IID_IVtlShellEx, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IContextMenu, &out), E_NOINTERFACE);
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST(ShellExtModule, CanUnloadOnlyWhenNoHandlerLivesAndTheServerIsNotLocked) {
    ASSERT_EQ(Module().CanUnloadNow(), S_OK);
    IClassFactory* factory = Factory();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a caller holds the factory";
    IClassFactory* again = Factory();
    again->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);

    IContextMenu* handler = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&handler)), S_OK);
    ASSERT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a handler lives and the server is locked";

    handler->AddRef();
    handler->Release();
    handler->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "still locked";
    factory = Factory();
    ASSERT_EQ(factory->LockServer(0), S_OK);
    factory->Release();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST(ShellExtModule, HandlerAnswersItsInterfacesAsOneObject) {
    IClassFactory* factory = Factory();
    IUnknown* unknown = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    factory->Release();

    for (const IID* iid : {&IID_IShellExtInit, &IID_IContextMenu, &vtlext::IID_IVtlShellEx}) {
        IUnknown* face = nullptr;
        ASSERT_EQ(unknown->QueryInterface(*iid, reinterpret_cast<void**>(&face)), S_OK);
        IUnknown* identity = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, unknown) << "every face leads back to one identity";
        identity->Release();
        face->Release();
    }
    EXPECT_EQ(unknown->QueryInterface(IID_IDataObject, &out), E_NOINTERFACE);
    EXPECT_EQ(unknown->Release(), 0u);
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

TEST(ShellExtModule, AggregationOnlyThroughIUnknownAndThenDelegating) {
    IClassFactory* factory = Factory();
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IShellExtInit, &out), CLASS_E_NOAGGREGATION);

    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    factory->Release();
    EXPECT_EQ(outer.refs, 1u) << "the inner identity is counted by the inner object";

    IContextMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "a face of the aggregate counts on the outer object";
    EXPECT_EQ(menu->QueryInterface(IID_IContextMenu, &out), E_NOINTERFACE) << "a face asks the outer object";
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

TEST(ShellExtModule, RegistrationWritesTheClassHandlerAndApprovalAndUnregistrationRemovesThem) {
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    const std::string modulePath = std::filesystem::canonical(std::string(VTL_LIB_DIR) + "/libVtlExt.so").string();

    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\vantrel", nullptr), kClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey, nullptr), "VtlShellEx Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", nullptr), modulePath);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID", nullptr), "VtlExt.VtlShellEx.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + "\\VersionIndependentProgID", nullptr), "VtlExt.VtlShellEx");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib", nullptr), "{C5E4D9CF-E056-45F9-8F47-21AA34091AC4}");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + "\\Programmable"));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx.1", nullptr), "VtlShellEx Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx.1\\CLSID", nullptr), kClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx", nullptr), "VtlShellEx Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx\\CLSID", nullptr), kClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx\\CurVer", nullptr), "VtlExt.VtlShellEx.1");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kApproved, kClsid.c_str()), "vantrel");
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), modulePath) << "a host finds the module as the shell does";

    // Registering again, also over a class key that an older version left other things in,
    // gives exactly the same hives.
    const std::string classes = vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT));
    const std::string machine = vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE));
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, (kClassKey + "\\LocalServer32").c_str(), 0, KEY_WRITE, &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    EXPECT_EQ(vtltest::ReadFile(RegistryHiveFile(HKEY_CLASSES_ROOT)), classes);
    EXPECT_EQ(vtltest::ReadFile(RegistryHiveFile(HKEY_LOCAL_MACHINE)), machine);

    // Something of the user's beside our entries stays through unregistration.
    HKEY other = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}", 0, KEY_WRITE, &other,
                             nullptr),
              ERROR_SUCCESS);
    RegCloseKey(other);
    ASSERT_EQ(Module().UnregisterServer(), S_OK);
    for (const std::string& key : {std::string("VtlExt.VtlShellEx.1"), std::string("VtlExt.VtlShellEx"), kClassKey,
                                  std::string("*\\shellex\\ContextMenuHandlers\\vantrel")})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kApproved, kClsid.c_str()), "<none>");
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    EXPECT_EQ(Module().UnregisterServer(), S_OK) << "unregistering what is not registered is no failure";

    // A handler entry that names no class leads a host to no module.
    ASSERT_EQ(Module().RegisterServer(), S_OK);
    HKEY handler = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\vantrel", 0, KEY_WRITE, &handler),
              ERROR_SUCCESS);
    const char garbage[] = "vantrel";
    RegSetValueEx(handler, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(garbage), sizeof garbage);
    RegCloseKey(handler);
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    EXPECT_EQ(Module().UnregisterServer(), S_OK);
}

} // namespace
