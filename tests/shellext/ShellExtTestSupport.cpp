#include "tests/shellext/ShellExtTestSupport.h"

#include "app/model/base/HandoffQueue.h"
#include "platform/Registry.h"
#include "platform/com/HDropDataObject.h"
#include "shellext/VtlExtIds.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace shellexttest {

using namespace plat;

vtlext::CExtensionModule& Module() {
    static vtlext::CExtensionModule* module = [] {
        auto* loaded = new vtlext::CExtensionModule;
        if (const auto done = loaded->Load(std::string(VTL_LIB_DIR) + "/libVtlExt.so"); !done)
            throw std::runtime_error(done.error().message);
        loaded->SetMessageBoxHook([](const char*, const char*) {}); // no box over the test run
        return loaded;
    }();
    return *module;
}

Handler::Handler(const Files& files) {
    IClassFactory* factory = nullptr;
    Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory,
                            reinterpret_cast<void**>(&factory));
    factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu));
    factory->Release();
    menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
    if (!files.empty())
        Initialize(files);
}

Handler::~Handler() {
    init->Release();
    menu->Release();
}

HRESULT Handler::Initialize(const Files& files) {
    CHDropDataObject* data = CHDropDataObject::Create(files);
    const HRESULT hr = init->Initialize(nullptr, data, nullptr);
    data->Release();
    return hr;
}

std::pair<int, HRESULT> Handler::Offered() {
    HMENU popup = CreatePopupMenu();
    const HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 10, CMF_NORMAL);
    const int count = GetMenuItemCount(popup);
    DestroyMenu(popup);
    return {count, hr};
}

HRESULT Handler::Invoke(const char* verb) {
    CMINVOKECOMMANDINFO info{};
    info.lpVerb = verb;
    return menu->InvokeCommand(&info);
}

void SetSetting(const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0, KEY_WRITE, &key,
                   nullptr);
    if (bytes.empty())
        RegDeleteValue(key, name);
    else
        RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                      DWORD(bytes.size()));
    RegCloseKey(key);
}

void SetLocation(const std::string& path) {
    SetSetting("location", REG_SZ, path.empty() ? path : path + '\0');
}

bool LocationIs(const std::string& path) {
    const std::string hive = vtltest::ReadFile(RegistryHiveFile(HKEY_CURRENT_USER));
    return hive.find("\n\"location\"=\"" + path + "\"\n") != std::string::npos;
}

void ClearQueue() {
    const std::string queue = RecordQueuePath(HandoffQueueName());
    for (const std::string& name : vtltest::FolderNames(queue))
        std::filesystem::remove(queue + "/" + name);
}

bool QueueUntouched() {
    return vtltest::FolderNames(RecordQueuePath(HandoffQueueName())).empty();
}

void WithFakeApplication::SetUp() {
    // A space and a shell character in the path: the application must be started by its path
    // alone, through no shell.
    m_dir = vtltest::MakeTempDir("fake vtl;echo");
    m_vtl = m_dir + "/vtl";
    vtltest::WriteFile(
        m_vtl,
        "#!/bin/sh\necho \"${XDG_ACTIVATION_TOKEN-}|${DESKTOP_STARTUP_ID-}\" > \"$0.token\"\n"
        "echo \"$#\" > \"$0.part\"\nmv \"$0.part\" \"$0.started\"\n"
        "while [ -e \"$0.hold\" ]; do sleep 0.02; done\n"
        "mv \"" +
            RecordQueuePath(HandoffQueueName()) + "/$" + HANDOFF_RECORD_VARIABLE +
            "\" \"$0.record\"\n");
    std::filesystem::permissions(m_vtl, std::filesystem::perms::owner_all);
    SetLocation(m_vtl);
    ClearQueue();
}

std::string WithFakeApplication::WaitForStart() const {
    vtltest::WaitUntil([&] { return std::filesystem::exists(m_vtl + ".started"); }, 5);
    return vtltest::ReadFile(m_vtl + ".started");
}

bool WithFakeApplication::NeverStarted() const {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return !std::filesystem::exists(m_vtl + ".started");
}

std::pair<std::uint32_t, Files> WithFakeApplication::TakenRecord() const {
    vtltest::WaitUntil([&] { return std::filesystem::exists(m_vtl + ".record"); }, 5);
    std::string block = vtltest::ReadFile(m_vtl + ".record");
    Files files;
    if (block.size() != HANDOFF_BLOCK_SIZE)
        return {0, files};
    const std::uint32_t command =
        ReadHandoffBlock(reinterpret_cast<unsigned char*>(block.data()), files).nCommand;
    return {command, files};
}

void WithFakeApplication::Hold(bool hold) const {
    if (hold)
        vtltest::WriteFile(m_vtl + ".hold", "");
    else
        std::filesystem::remove(m_vtl + ".hold");
}

} // namespace shellexttest
