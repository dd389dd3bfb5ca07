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

using namespace plat;

namespace {

// The block's bytes, mapped as the extension maps them.
unsigned char* Block() {
    static unsigned char* block = [] {
        FileMapping* mapping = CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE);
        auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping));
        CloseHandle(mapping);
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

void SetLocation(const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0, KEY_WRITE, &key,
                   nullptr);
    if (path.empty())
        RegDeleteValue(key, "location");
    else
        RegSetValueEx(key, "location", REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                      DWORD(path.size() + 1));
    RegCloseKey(key);
}

bool LocationIs(const std::string& path) {
    const std::string hive = vtltest::ReadFile(RegistryHiveFile(HKEY_CURRENT_USER));
    return hive.find("\n\"location\"=\"" + path + "\"\n") != std::string::npos;
}

void ScribbleBlock() {
    std::memset(Block(), 0xAB, HANDOFF_BLOCK_SIZE);
    Block()[0] = 0;
}

bool BlockUntouched() {
    const unsigned char* block = Block();
    return block[0] == 0 && std::all_of(block + 1, block + HANDOFF_BLOCK_SIZE,
                                        [](unsigned char b) { return b == 0xAB; });
}

std::pair<std::uint32_t, Files> PendingRecord() {
    std::vector<unsigned char> copy(Block(), Block() + HANDOFF_BLOCK_SIZE);
    Files files;
    const std::uint32_t command = ReadHandoffBlock(copy.data(), files).nCommand;
    return {command, files};
}

void WithFakeApplication::SetUp() {
    // A space and a shell character in the path: the application must be started by its path
    // alone, through no shell.
    m_dir = vtltest::MakeTempDir("fake vtl;echo");
    m_vtl = m_dir + "/vtl";
    vtltest::WriteFile(m_vtl,
                       "#!/bin/sh\necho \"$#\" > \"$0.part\"\nmv \"$0.part\" \"$0.started\"\n");
    std::filesystem::permissions(m_vtl, std::filesystem::perms::owner_all);
    SetLocation(m_vtl);
    ScribbleBlock();
}

std::string WithFakeApplication::WaitForStart() const {
    vtltest::WaitUntil([&] { return std::filesystem::exists(m_vtl + ".started"); }, 5);
    return vtltest::ReadFile(m_vtl + ".started");
}

bool WithFakeApplication::NeverStarted() const {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return !std::filesystem::exists(m_vtl + ".started");
}

} // namespace shellexttest
