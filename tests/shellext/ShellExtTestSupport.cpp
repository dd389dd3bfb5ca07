#include "tests/shellext/ShellExtTestSupport.h"

#include "platform/Registry.h"
#include "platform/com/HDropDataObject.h"
#include "shellext/VtlExtIds.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace shellexttest {

namespace {

constexpr const char* kSettingKey = "Software\\Ostrell\\vtl\\setting";

void RecordMessage(const char*, const char* text) { Messages().emplace_back(text); }

// The block's bytes, mapped as the extension maps them.
unsigned char* Block() {
    static unsigned char* block = [] {
        plat::FileMapping* mapping = plat::CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE);
        auto* view = static_cast<unsigned char*>(plat::MapViewOfFile(mapping));
        plat::CloseHandle(mapping);
        if (!view)
            throw std::runtime_error("the hand-off block cannot be mapped");
        return view;
    }();
    return block;
}

} // namespace

vtlext::CExtensionModule& Module() {
    static vtlext::CExtensionModule* module = [] {
        auto* loaded = new vtlext::CExtensionModule;
        if (!loaded->Load(std::string(VTL_LIB_DIR) + "/libVtlExt.so"))
            throw std::runtime_error(loaded->Error());
        loaded->SetMessageBoxHook(RecordMessage);
        return loaded;
    }();
    return *module;
}

Files& Messages() {
    static Files messages;
    return messages;
}

Handler::Handler(const Files& files) {
    plat::IClassFactory* factory = nullptr;
    Module().GetClassObject(vtlext::CLSID_VtlShellEx, plat::IID_IClassFactory, reinterpret_cast<void**>(&factory));
    factory->CreateInstance(nullptr, plat::IID_IContextMenu, reinterpret_cast<void**>(&menu));
    factory->Release();
    menu->QueryInterface(plat::IID_IShellExtInit, reinterpret_cast<void**>(&init));
    if (!files.empty())
        Initialize(files);
}

Handler::~Handler() {
    init->Release();
    menu->Release();
}

plat::HRESULT Handler::Initialize(const Files& files) {
    plat::CHDropDataObject* data = plat::CHDropDataObject::Create(files);
    const plat::HRESULT hr = init->Initialize(nullptr, data, nullptr);
    data->Release();
    return hr;
}

std::pair<int, plat::HRESULT> Handler::Offered(plat::UINT flags) {
    plat::HMENU popup = plat::CreatePopupMenu();
    const plat::HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 10, flags);
    const int count = plat::GetMenuItemCount(popup);
    plat::DestroyMenu(popup);
    return {count, hr};
}

plat::HRESULT Handler::Invoke(const char* verb) {
    plat::CMINVOKECOMMANDINFO info{};
    info.lpVerb = verb;
    return menu->InvokeCommand(&info);
}

void SetLocation(const std::string& path) {
    plat::HKEY key = nullptr;
    plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, kSettingKey, 0, plat::KEY_WRITE, &key, nullptr);
    if (path.empty())
        plat::RegDeleteValue(key, "location");
    else
        plat::RegSetValueEx(key, "location", plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(path.c_str()),
                            plat::DWORD(path.size() + 1));
    plat::RegCloseKey(key);
}

bool LocationIs(const std::string& path) {
    const std::string hive = vtltest::ReadFile(plat::RegistryHiveFile(plat::HKEY_CURRENT_USER));
    return hive.find("\n\"location\"=\"" + path + "\"\n") != std::string::npos;
}

std::string WaitForStart(const std::string& program) {
    vtltest::WaitUntil([&] { return std::filesystem::exists(program + ".started"); }, 5);
    return vtltest::ReadFile(program + ".started");
}

bool NeverStarted(const std::string& program) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return !std::filesystem::exists(program + ".started");
}

void ScribbleBlock() {
    std::memset(Block(), 0xAB, HANDOFF_BLOCK_SIZE);
    Block()[0] = 0;
}

bool BlockUntouched() {
    const unsigned char* block = Block();
    return block[0] == 0 && std::all_of(block + 1, block + HANDOFF_BLOCK_SIZE, [](unsigned char b) { return b == 0xAB; });
}

Record PendingRecord() {
    std::vector<unsigned char> copy(Block(), Block() + HANDOFF_BLOCK_SIZE);
    Record record;
    record.pending = IsHandoffPending(copy.data());
    record.header = ReadHandoffBlock(copy.data(), record.files);
    return record;
}

void WithFakeApplication::SetUp() {
    m_dir = vtltest::MakeTempDir("fake-vtl");
    m_vtl = m_dir + "/vtl";
    vtltest::WriteFile(m_vtl, "#!/bin/sh\necho \"$#\" > \"$0.part\"\nmv \"$0.part\" \"$0.started\"\n");
    std::filesystem::permissions(m_vtl, std::filesystem::perms::owner_all);
    SetLocation(m_vtl);
    ScribbleBlock();
    Messages().clear();
}

RunResult RunVtlMenu(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    return vtltest::RunProgram(std::string(VTL_BIN_DIR) + "/vtlmenu", args, env);
}

} // namespace shellexttest
