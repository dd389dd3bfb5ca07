#include "shellext/host/ExtensionModule.h"

#include "platform/Registry.h"

#include <dlfcn.h>
#include <filesystem>

namespace vtlext {

using namespace plat;

namespace {

// `missing` becomes the name of an entry point the module lacks.
template <typename Fn> bool Resolve(void* handle, const char* name, Fn& fn, const char*& missing) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!fn)
        missing = name;
    return fn != nullptr;
}

std::string ReadDefaultValue(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string value;
    DWORD size = 0;
    DWORD type = REG_NONE;
    if (RegQueryValueEx(key, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size > 0) {
        value.resize(size);
        if (RegQueryValueEx(key, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
            ERROR_SUCCESS)
            value.resize(value.find('\0') == std::string::npos ? size : value.find('\0'));
        else
            value.clear();
    }
    RegCloseKey(key);
    return value;
}

} // namespace

CExtensionModule::~CExtensionModule() {
    if (m_handle && CanUnloadNow() == S_OK)
        dlclose(m_handle);
}

Result<void> CExtensionModule::Load(const std::string& path) {
    m_path = path;
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = dlerror();
        return Failure{"cannot load " + path + (why ? std::string(": ") + why : std::string())};
    }
    const char* missing = nullptr;
    if (Resolve(m_handle, "DllGetClassObject", m_getClassObject, missing) &&
        Resolve(m_handle, "DllCanUnloadNow", m_canUnloadNow, missing) &&
        Resolve(m_handle, "DllRegisterServer", m_registerServer, missing) &&
        Resolve(m_handle, "DllUnregisterServer", m_unregisterServer, missing) &&
        Resolve(m_handle, SET_MESSAGE_BOX_HOOK_EXPORT, m_setHook, missing))
        return Ok{};
    return Failure{std::string("the module has no entry point ") + missing};
}

HRESULT CExtensionModule::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) const {
    return m_getClassObject ? m_getClassObject(rclsid, riid, ppv) : E_FAIL;
}

HRESULT CExtensionModule::CanUnloadNow() const {
    return m_canUnloadNow ? m_canUnloadNow() : S_FALSE;
}
HRESULT CExtensionModule::RegisterServer() const {
    return m_registerServer ? m_registerServer() : E_FAIL;
}
HRESULT CExtensionModule::UnregisterServer() const {
    return m_unregisterServer ? m_unregisterServer() : E_FAIL;
}

void CExtensionModule::SetMessageBoxHook(MessageBoxHook hook) const {
    if (m_setHook)
        m_setHook(hook);
}

std::string CExtensionModule::InstalledPath(const std::string& programDir) {
    const std::filesystem::path beside = std::filesystem::path(programDir) / MODULE_FILE_NAME;
    std::error_code ec;
    if (std::filesystem::is_regular_file(beside, ec))
        return beside.lexically_normal().string();
    return (std::filesystem::path(programDir) / ".." / "lib" / MODULE_FILE_NAME)
        .lexically_normal()
        .string();
}

std::string CExtensionModule::RegisteredPath() {
    // The handler key names its class, whose key is found by the class's canonical form.
    const auto clsid = GuidFromString(ReadDefaultValue(HANDLER_KEY));
    if (!clsid)
        return {};
    return ReadDefaultValue("CLSID\\" + GuidToString(*clsid) + "\\InprocServer32");
}

} // namespace vtlext
